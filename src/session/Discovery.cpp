#include "session/Discovery.h"

#include <filesystem>
#include <functional>

#include "config/Globals.h"
#include "platform/Text.h"
#include "platform/FsPath.h"

namespace session {

namespace {

namespace fs = std::filesystem;

bool isMissing(const std::string& value) {
    return value == items::kRegistryReadError;
}

// True when some plain file directly in the folder satisfies the test; a
// folder that cannot be listed holds nothing.
bool anyFile(const std::string& hostFolder, const std::function<bool(const std::string&)>& test) {
    std::error_code ec;
    for (fs::directory_iterator it(platform::fsPath(hostFolder), ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec) && test(it->path().filename().string())) return true;
    }
    return false;
}

}  // namespace

MailStore DiscoverMailStore(platform::Services& services, items::RegistryAccess& registry) {
    MailStore store;
    if (isMissing(registry.ReadRegistryString(kClientKey, "Store Root"))) {
        services.dialogs.message(kMissingClientMessage, platform::Icon::Critical);
        return store;
    }
    store.clientFound = true;
    store.ComputerName = platform::trimBlanks(platform::cutAtNul(services.env.computerName));
    store.LogonUserName = platform::trimBlanks(platform::cutAtNul(services.env.userName));

    std::string localAppData = registry.ReadRegistryString(kShellFoldersKey, "Local AppData");
    if (isMissing(localAppData)) {
        services.dialogs.message(kClientErrorMessage, platform::Icon::Critical);
        return store;
    }
    store.foldersFound = true;
    const std::string& profile = services.env.userProfile;
    store.MailStoreRoot = config::ExpandUserProfile(localAppData, profile) + "\\Microsoft\\Windows Live Mail";
    // Read again, as each folder is found on its own.
    localAppData = registry.ReadRegistryString(kShellFoldersKey, "Local AppData");
    store.ContactsFolder = config::ExpandUserProfile(localAppData, profile) + "\\Microsoft\\Windows Live Contacts";
    std::string personal = registry.ReadRegistryString(kShellFoldersKey, "Personal");
    store.StationeryFolder = config::ExpandUserProfile(personal, profile) + "\\My Stationery";
    return store;
}

std::array<bool, items::kItemCount> ItemAvailability(const MailStore& store, const platform::Environment& env,
                                                     items::RegistryAccess& registry) {
    std::array<bool, items::kItemCount> available{};
    available.fill(true);
    auto hasSubkeys = [&](const char* suffix) {
        return !registry.ListRegistrySubkeys(std::string(kClientKey) + suffix).empty();
    };
    available[items::kMailRules] = hasSubkeys("\\Rules\\Mail");
    available[items::kLdapAccounts] = anyFile(env.hostPath(store.MailStoreRoot), [](const std::string& n) {
        return platform::endsWith(n, "oeaccount");
    });
    available[items::kNewsRules] = hasSubkeys("\\Rules\\News");
    available[items::kContacts] = anyFile(env.hostPath(store.ContactsFolder), [](const std::string& n) {
        return n == "contacts.edb";
    });
    available[items::kSignatures] = hasSubkeys("\\signatures");
    available[items::kStationeries] =
        anyFile(env.hostPath(store.StationeryFolder), [](const std::string& n) { return !n.empty(); });
    return available;
}

std::string InfoRecordPathFor(const platform::Environment& env) {
    return env.programFile("oebackup.dat");
}

}  // namespace session

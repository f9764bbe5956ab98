#include "platform/PrefixFacts.h"

#include <charconv>

#include "platform/Text.h"

namespace platform {

namespace {

constexpr unsigned kDefaultCodePage = 1252;

std::string stringValue(Registry& registry, Hive hive, const std::string& path, const std::string& name) {
    auto v = registry.value(hive, path, name);
    if (!v || (v->type != REG_SZ && v->type != REG_EXPAND_SZ)) return {};
    return trimBlanks(v->text());
}

}  // namespace

std::string ResolveUserProfile(Registry& registry, const std::string& fromEnvironment,
                               const std::string& userVariable, const std::string& loginName) {
    if (!fromEnvironment.empty()) return fromEnvironment;
    std::string found = stringValue(registry, Hive::CurrentUser, "Volatile Environment", "USERPROFILE");
    if (found.empty()) {
        found = stringValue(registry, Hive::LocalMachine,
                            std::string("Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\") +
                                kWineUserSid,
                            "ProfileImagePath");
    }
    if (!found.empty()) return found;
    return "C:\\users\\" + (userVariable.empty() ? loginName : userVariable);
}

unsigned ReadAnsiCodePage(Registry& registry) {
    const std::string text =
        stringValue(registry, Hive::LocalMachine, "System\\CurrentControlSet\\Control\\Nls\\CodePage", "ACP");
    unsigned codePage = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), codePage);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || codePage == 0)
        return kDefaultCodePage;
    return codePage;
}

}  // namespace platform

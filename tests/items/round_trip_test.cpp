#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include "backup/InformationRecord.h"
#include "items/MemberExtraction.h"
#include "items/ItemFunctions.h"
#include "platform/Text.h"
#include "platform/WineRegistry.h"
#include "support/TestEnvironment.h"

using namespace items;
using testing_support::filesBelow;
using testing_support::readFile;
using testing_support::registryBelow;
using testing_support::Snapshot;
using testing_support::TempDir;
namespace fs = std::filesystem;

namespace {

void removeMatching(const fs::path& folder, const std::function<bool(const fs::directory_entry&)>& test) {
    std::vector<fs::path> doomed;
    for (const auto& e : fs::directory_iterator(folder)) {
        if (test(e)) doomed.push_back(e.path());
    }
    ASSERT_FALSE(doomed.empty()) << folder;
    for (const auto& p : doomed) fs::remove_all(p);
}

}  // namespace

TEST(ItemsRoundTrip, EveryItemOfAGeneratedProfileComesBackExactly) {
    TempDir dir;
    testing_support::makeSamplePrefix(dir / "prefix", {"--user", "owner", "--accounts", "2", "--messages", "4"});
    auto env = testing_support::makeEnvironment(dir.path());
    platform::WineRegistry reg(env.winePrefix);
    platform::ScriptedDialogs dialogs;
    RegistryAccess access(reg, dialogs);
    backup::ZipComponent zip1, zip2;
    ItemContext ctx{env, access, zip1, zip2};
    ctx.MailStoreRoot = "C:\\users\\owner\\AppData\\Local\\Microsoft\\Windows Live Mail";
    ctx.ContactsFolder = "C:\\users\\owner\\AppData\\Local\\Microsoft\\Windows Live Contacts";
    ctx.StationeryFolder = "C:\\users\\owner\\Documents\\My Stationery";
    ctx.InfoRecordPath = env.programFile("oebackup.dat");
    ctx.databaseChosen = true;
    const fs::path profile = env.hostPath("C:\\users\\owner");
    const Snapshot filesBefore = filesBelow(profile);
    Snapshot registryBefore;
    registryBelow(reg, "Software\\Microsoft\\Windows Live Mail", &registryBefore);

    const std::string archive = (dir / "all.wlm").string();
    ASSERT_TRUE(zip1.newArchive(archive));
    for (const auto& entry : kCatalogue) EXPECT_TRUE(entry.backup(ctx)) << entry.caption;
    ASSERT_TRUE(zip1.writeArchive()) << zip1.lastError();
    zip1.closeArchive();
    RemoveScratchFolder(ctx);
    for (const auto& s : ctx.stagingFiles) fs::remove(platform::cutAtNul(s));

    // Take away everything the items cover, and only that.
    const fs::path store = env.hostPath(ctx.MailStoreRoot);
    const std::set<std::string> notAccounts{"Backup", "Your Feeds", "Sentinel", "Storage Folders", "Calendars"};
    removeMatching(store, [&](const fs::directory_entry& e) {
        const std::string n = e.path().filename().string();
        if (e.is_directory()) return !notAccounts.count(n);
        return n.ends_with("oeaccount") || n.ends_with("MSMessageStore");
    });
    removeMatching(store / "Calendars", [](const fs::directory_entry&) { return true; });
    removeMatching(env.hostPath(ctx.ContactsFolder), [](const fs::directory_entry& e) { return e.is_directory(); });
    fs::remove_all(env.hostPath(ctx.StationeryFolder));
    for (const char* key : {"\\Rules", "\\PerPassportSettings", "\\signatures", "\\Advanced Settings"}) {
        access.DeleteRegistryTree(std::string(kClientKey) + key);
    }
    access.CreateRegistryKey(std::string(kClientKey) + "\\Rules\\Mail\\999");  // made after the backup

    ASSERT_TRUE(zip1.openArchive(archive));
    for (const auto& entry : kCatalogue) {
        ctx.RestoreItemMembers[entry.index] = *backup::GetINI(std::string(entry.recordKey), ctx.InfoRecordPath);
        EXPECT_TRUE(entry.restore(ctx)) << entry.caption;
    }
    zip1.closeArchive();
    RemoveScratchFolder(ctx);

    EXPECT_EQ(filesBelow(profile), filesBefore);
    Snapshot registryAfter;
    registryBelow(reg, "Software\\Microsoft\\Windows Live Mail", &registryAfter);
    // Strings come back without their terminating zero, as the text format
    // stores them; multi-strings and QWORDs are not part of that format.
    for (auto& [key, v] : registryBefore) {
        if (v.rfind("7:", 0) == 0 || v.rfind("11:", 0) == 0) {
            EXPECT_FALSE(registryAfter.count(key)) << key;
            continue;
        }
        auto after = registryAfter.find(key);
        ASSERT_NE(after, registryAfter.end()) << key;
        const bool text = v.rfind("1:", 0) == 0 || v.rfind("2:", 0) == 0;
        if (text) EXPECT_EQ(after->second.substr(0, after->second.rfind(':')), v.substr(0, v.rfind(':'))) << key;
        else EXPECT_EQ(after->second, v) << key;
    }
    for (const auto& [key, v] : registryAfter) EXPECT_TRUE(registryBefore.count(key)) << key;
    ASSERT_TRUE(reg.flush()) << reg.lastError();
}

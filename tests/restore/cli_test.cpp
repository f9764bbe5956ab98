#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "backup/OperationLog.h"
#include "items/Catalogue.h"
#include "items/RegistryAccess.h"
#include "platform/AtomicFile.h"
#include "platform/ScriptedDialogs.h"
#include "platform/WineRegistry.h"
#include "support/TestSupport.h"

using testing_support::readFile;
using testing_support::runCommand;
using testing_support::TempDir;
using testing_support::writeFile;
namespace fs = std::filesystem;

namespace {

using Snapshot = std::map<std::string, std::string>;

Snapshot filesBelow(const fs::path& root) {
    Snapshot files;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        files[fs::relative(e.path(), root).string()] = e.is_directory() ? "<dir>" : readFile(e.path());
    }
    return files;
}

// The item keys of the client as text: key paths, value names, types and
// data (strings without their terminating zero; multi-strings and QWORDs are
// not part of the registry text format and do not travel).
void dumpKey(platform::Registry& reg, const std::string& path, std::string* out) {
    *out += "[" + path + "]\n";
    for (const auto& v : reg.values(platform::Hive::CurrentUser, path)) {
        if (v.type == platform::REG_MULTI_SZ || v.type == platform::REG_QWORD) continue;
        const bool text = v.type == platform::REG_SZ || v.type == platform::REG_EXPAND_SZ;
        *out += v.name + "=" + std::to_string(v.type) + ":" + (text ? v.text() : std::to_string(v.data.size())) + "\n";
    }
    for (const auto& sub : reg.subkeys(platform::Hive::CurrentUser, path)) dumpKey(reg, path + "\\" + sub, out);
}

const std::vector<std::string> kItemKeys{"Rules", "PerPassportSettings", "signatures", "Advanced Settings"};
constexpr const char* kClient = "Software\\Microsoft\\Windows Live Mail";

std::string itemKeys(const fs::path& prefix) {
    platform::WineRegistry reg(prefix.string());
    std::string out;
    for (const auto& k : kItemKeys) dumpKey(reg, std::string(kClient) + "\\" + k, &out);
    return out;
}

struct Profile {
    Profile() {
        testing_support::makeSamplePrefix(dir / "prefix", {"--user", "owner", "--accounts", "2", "--messages", "4"});
        fs::create_directories(dir / "home");
    }
    std::string env() const {
        return "env -u DISPLAY USERPROFILE='C:\\users\\owner' WINEPREFIX='" + (dir / "prefix").string() +
               "' TARNHOLD_HOME='" + (dir / "home").string() + "' TARNHOLD_PASSWORD='s3cret' ";
    }
    int cli(const std::string& args, std::string* out) {
        return runCommand(env() + "timeout 120 '" TARNHOLD_CLI "' " + args, out);
    }
    TempDir dir;
};

}  // namespace

TEST(TarnholdCli, RestoresAProtectedBackupOfEveryItemExactly) {
    Profile p;
    const fs::path profile = p.dir / "prefix" / "drive_c" / "users" / "owner";
    const fs::path local = profile / "AppData" / "Local" / "Microsoft";
    const std::string archive = (p.dir / "all.wlm").string();
    writeFile(p.dir / "home" / "settings.dat", "[autobackup]\r\nautobackupfile=0\r\n");
    std::string out;
    ASSERT_EQ(runCommand(p.env() + "timeout 120 '" TARNHOLD_BINARY "' ' sf=ownerxm=11111111111ps=s3cretbf=" + archive + "'",
                         &out), 0) << out;
    const Snapshot before = filesBelow(profile);
    const std::string keysBefore = itemKeys(p.dir / "prefix");
    ASSERT_NE(keysBefore.find("Rules\\Mail\\000]"), std::string::npos);

    ASSERT_EQ(p.cli("verify '" + archive + "'", &out), 0) << out;
    ASSERT_EQ(p.cli("info '" + archive + "'", &out), 0) << out;
    EXPECT_NE(out.find("User:"), std::string::npos);
    EXPECT_NE(out.find("Description:Auto Backup"), std::string::npos);
    EXPECT_NE(out.find("  Calendars\n"), std::string::npos);
    EXPECT_EQ(out.find("s3cret"), std::string::npos);

    // Wipe what the items cover: account folders, calendars, contacts
    // subfolders, stationery, account and database files, and the registry keys.
    for (const auto& e : fs::directory_iterator(local / "Windows Live Mail")) {
        const std::string n = e.path().filename().string();
        if (n != "Backup" && n != "Your Feeds" && n != "Sentinel" && n != "Storage Folders" && n.rfind("edb", 0) != 0) {
            fs::remove_all(e.path());
        }
    }
    for (const auto& e : fs::directory_iterator(local / "Windows Live Contacts")) {
        if (e.is_directory()) fs::remove_all(e.path());
    }
    fs::remove_all(profile / "Documents" / "My Stationery");
    {
        platform::WineRegistry reg((p.dir / "prefix").string());
        platform::ScriptedDialogs dialogs;
        items::RegistryAccess access(reg, dialogs);
        for (const auto& k : kItemKeys) access.DeleteRegistryTree(std::string(items::kClientKey) + "\\" + k);
        ASSERT_TRUE(reg.flush());
    }
    ASSERT_NE(itemKeys(p.dir / "prefix"), keysBefore);

    ASSERT_EQ(p.cli("restore '" + archive + "'", &out), 0) << out;
    EXPECT_NE(out.find("The Restore was Completed!\n\nRestore Mail Accounts & Messages/News Accounts & Messages\tSuccessed!"),
              std::string::npos) << out;
    EXPECT_EQ(filesBelow(profile), before);
    EXPECT_EQ(itemKeys(p.dir / "prefix"), keysBefore);
    const auto log = backup::LoadLogList((p.dir / "home" / "brlog.dat").string());
    ASSERT_EQ(log.size(), 30u);  // the backup's 15 records, then the restore's 3 + 11 + 1
    EXPECT_EQ(log[15], std::string(84, '.'));
    EXPECT_NE(log[16].find(" Start Retore Data to User Profile "), std::string::npos);
    EXPECT_NE(log[29].find(" was Completed!"), std::string::npos);
    EXPECT_EQ(readFile(p.dir / "home" / "brlog.dat").find("s3cret"), std::string::npos);
}

TEST(TarnholdCli, VerifyCatchesOneFlippedByteAndUsageErrorsExitTwo) {
    Profile p;
    const std::string archive = (p.dir / "a.wlm").string();
    writeFile(p.dir / "home" / "settings.dat", "[autobackup]\r\nautobackupfile=0\r\n");
    std::string out;
    ASSERT_EQ(runCommand(p.env() + "'" TARNHOLD_BINARY "' ' sf=ownerxm=10000000000ps=bf=" + archive + "'", &out), 0);
    ASSERT_EQ(p.cli("verify '" + archive + "'", &out), 0) << out;
    ASSERT_EQ(p.cli("list '" + archive + "'", &out), 0) << out;
    EXPECT_NE(out.find("oebackup.dat"), std::string::npos);
    EXPECT_NE(out.find(".eml"), std::string::npos);  // the files inside the folder archives

    std::string bytes = readFile(archive);
    bytes[bytes.size() / 3] = static_cast<char>(bytes[bytes.size() / 3] ^ 0x01);
    writeFile(p.dir / "flipped.wlm", bytes);
    EXPECT_EQ(p.cli("verify '" + (p.dir / "flipped.wlm").string() + "'", &out), 1) << out;

    EXPECT_EQ(p.cli("", &out), 2);
    EXPECT_NE(out.find("usage: tarnhold-cli"), std::string::npos);
    EXPECT_EQ(p.cli("frobnicate '" + archive + "'", &out), 2);
    EXPECT_EQ(p.cli("restore '" + archive + "' --items 12", &out), 2);
    EXPECT_EQ(p.cli("info '" + archive + "' extra", &out), 2);
    EXPECT_EQ(p.cli("--help", &out), 0);
    EXPECT_EQ(p.cli("info '" + (p.dir / "none.wlm").string() + "'", &out), 1);
    EXPECT_NE(out.find("Invalid backup file"), std::string::npos);
}

// A restore puts each account folder in place in one step, never leaving a
// moment without it, after putting right a swap a killed restore left
// half-done; while another run holds the program folder it restores nothing.
TEST(TarnholdCli, RestoreSwapsAccountFoldersInOneStepOneRunAtATime) {
    Profile p;
    const fs::path store = p.dir / "prefix" / "drive_c" / "users" / "owner" / "AppData" / "Local" / "Microsoft" /
                           "Windows Live Mail";
    const std::string archive = (p.dir / "accounts.wlm").string();
    writeFile(p.dir / "home" / "settings.dat", "[autobackup]\r\nautobackupfile=0\r\n");
    std::string out;
    ASSERT_EQ(runCommand(p.env() + "'" TARNHOLD_BINARY "' ' sf=ownerxm=10000000000ps=s3cretbf=" + archive + "'", &out), 0)
        << out;
    std::vector<std::string> accounts;
    for (const auto& e : fs::directory_iterator(store)) {
        const std::string n = e.path().filename().string();
        if (e.is_directory() && n != "Backup" && n != "Your Feeds" && n != "Calendars" && n != "Sentinel" &&
            n != "Storage Folders") {
            accounts.push_back(n);
        }
    }
    ASSERT_EQ(accounts.size(), 2u);
    const Snapshot first = filesBelow(store / accounts[0]);
    const Snapshot second = filesBelow(store / accounts[1]);
    writeFile(store / accounts[0] / "new.eml", "not in the backup");
    fs::rename(store / accounts[1], store / ("." + accounts[1] + ".restore-Ab12Cd.old"));
    {
        platform::FileLock held((p.dir / "home" / "run.lock").string());
        ASSERT_TRUE(held.locked());
        EXPECT_EQ(p.cli("restore '" + archive + "' --items 10000000000", &out), 1) << out;
        EXPECT_NE(out.find("another backup or restore holds the program folder " + (p.dir / "home").string()),
                  std::string::npos) << out;
        EXPECT_TRUE(fs::exists(store / accounts[0] / "new.eml"));
    }

    const auto trace = p.dir / "trace";
    ASSERT_EQ(runCommand("strace -f -qq -s 4096 -e trace=rename,renameat,renameat2 -o '" + trace.string() + "' " +
                             p.env() + "'" TARNHOLD_CLI "' restore '" + archive + "' --items 10000000000", &out), 0)
        << out;
    std::istringstream calls(readFile(trace));
    std::map<std::string, int> exchanges;
    const fs::path touched = p.dir / "prefix" / "dosdevices" / "c:" / fs::relative(store, p.dir / "prefix" / "drive_c");
    for (std::string call; std::getline(calls, call);) {
        for (const auto& account : accounts) {
            const std::string path = "\"" + (touched / account).string() + "\"";
            if (call.find(path + ", RENAME_EXCHANGE)") != std::string::npos) ++exchanges[account];
            // An account folder is never renamed away from its place.
            EXPECT_EQ(call.find("(" + path), std::string::npos) << call;
            EXPECT_EQ(call.find("AT_FDCWD, " + path + ", AT_FDCWD"), std::string::npos) << call;
        }
    }
    EXPECT_EQ(exchanges, (std::map<std::string, int>{{accounts[0], 1}, {accounts[1], 1}}));
    EXPECT_EQ(filesBelow(store / accounts[0]), first);
    EXPECT_EQ(filesBelow(store / accounts[1]), second);
    for (const auto& e : fs::directory_iterator(store)) EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
}

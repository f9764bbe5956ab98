#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "config/Globals.h"
#include "backup/OperationLog.h"
#include "items/Catalogue.h"
#include "items/RegistryAccess.h"
#include "platform/AtomicFile.h"
#include "platform/ScriptedDialogs.h"
#include "platform/WineRegistry.h"
#include "support/RawZip.h"
#include "support/TestSupport.h"

using testing_support::filesBelow;
using testing_support::RawEntry;
using testing_support::Snapshot;
using testing_support::readFile;
using testing_support::runCommand;
using testing_support::TempDir;
using testing_support::writeFile;
namespace fs = std::filesystem;

namespace {

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
    // The backup's 16 records (separator, start, file, earlier backup, 11 items,
    // completion), then the restore's 3 + 11 + 1.
    ASSERT_EQ(log.size(), 31u);
    EXPECT_NE(log[3].find(" Every file is compressed anew: the earlier backup "), std::string::npos) << log[3];
    EXPECT_EQ(log[16], std::string(84, '.'));
    EXPECT_NE(log[17].find(" Start Retore Data to User Profile "), std::string::npos);
    EXPECT_NE(log[30].find(" was Completed!"), std::string::npos);
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
    EXPECT_EQ(p.cli("--version", &out), 0);
    EXPECT_EQ(out, std::string(config::kProductLine) + "\n");  // as the about window shows it
    EXPECT_EQ(p.cli("--help", &out), 0);
    EXPECT_EQ(p.cli("info '" + (p.dir / "none.wlm").string() + "'", &out), 1);
    EXPECT_NE(out.find("Invalid backup file"), std::string::npos);
}

TEST(TarnholdCli, ItemsTheBackupLacksAreRefusedAndTheLogNamesTheFullPath) {
    Profile p;
    writeFile(p.dir / "home" / "settings.dat", "[autobackup]\r\nautobackupfile=0\r\n");
    const std::string archive = (p.dir / "rules.wlm").string();
    std::string out;
    ASSERT_EQ(runCommand(p.env() + "'" TARNHOLD_BINARY "' ' sf=ownerxm=01000000000ps=bf=" + archive + "'", &out), 0);

    const std::string logBefore = readFile(p.dir / "home" / "brlog.dat");
    EXPECT_EQ(p.cli("restore '" + archive + "' --items 01000001000", &out), 1) << out;
    EXPECT_NE(out.find("the backup does not hold Signatures; nothing was restored"), std::string::npos) << out;
    EXPECT_EQ(readFile(p.dir / "home" / "brlog.dat"), logBefore);

    // Typed relative to the shell's folder, logged in full.
    ASSERT_EQ(runCommand("cd '" + p.dir.str() + "' && " + p.env() + "timeout 120 '" TARNHOLD_CLI "' restore rules.wlm",
                         &out), 0) << out;
    EXPECT_NE(readFile(p.dir / "home" / "brlog.dat").find(" Restore File is " + archive + "\n"), std::string::npos);

    // Named as the prefix names it: found through its drive, logged in that form.
    fs::copy_file(archive, p.dir / "prefix" / "drive_c" / "users" / "owner" / "Rules.wlm");
    ASSERT_EQ(p.cli("restore 'c:/Users\\owner\\rules.wlm'", &out), 0) << out;
    EXPECT_NE(readFile(p.dir / "home" / "brlog.dat").find(" Restore File is c:\\Users\\owner\\rules.wlm\n"),
              std::string::npos);
    EXPECT_EQ(p.cli("restore 'C:\\users\\owner\\rules.wlm' --items 00000001", &out), 1) << out;
    EXPECT_NE(out.find("the backup does not hold Signatures; nothing was restored"), std::string::npos) << out;
}

TEST(TarnholdCli, ARestoreThatCannotWriteFailsAndSaysWhy) {
    Profile p;
    writeFile(p.dir / "home" / "settings.dat", "[autobackup]\r\nautobackupfile=0\r\n");
    const std::string archive = (p.dir / "rules.wlm").string();
    std::string out;
    ASSERT_EQ(runCommand(p.env() + "'" TARNHOLD_BINARY "' ' sf=ownerxm=01000000000ps=bf=" + archive + "'", &out), 0);
    const fs::path userReg = p.dir / "prefix" / "user.reg";
    const std::string before = readFile(userReg);
    ASSERT_GT(before.size(), 100u * 1024);

    // A file size limit (in 512-byte blocks) stands in for a full disk: first
    // the member cannot be unpacked, then user.reg cannot be rewritten.
    for (const auto& [blocks, why] : std::vector<std::pair<int, std::string>>{
             {64, "cannot write \""}, {180, "The registry file " + userReg.string() + " could not be written"}}) {
        EXPECT_EQ(runCommand("trap '' XFSZ; ulimit -f " + std::to_string(blocks) + "; " + p.env() +
                             "timeout 120 '" TARNHOLD_CLI "' restore '" + archive + "'", &out), 1) << out;
        EXPECT_NE(out.find("Restore Mail Rules\tFail!"), std::string::npos) << out;
        EXPECT_NE(out.find("File too large"), std::string::npos) << out;
        EXPECT_NE(readFile(p.dir / "home" / "brlog.dat").find(" Restore Mail Rules Fail! (" + why), std::string::npos)
            << blocks;
        EXPECT_EQ(readFile(userReg), before);
        for (const auto& e : fs::directory_iterator(p.dir / "prefix")) {
            EXPECT_EQ(e.path().filename().string().find("user.reg.tmp"), std::string::npos) << e.path();
        }
    }
}

TEST(TarnholdCli, VerifyReportsEveryNameARestoreWouldRefuse) {
    Profile p;
    const std::string record = "BackupComputer=pc\r\nBackupLogonUser=owner\r\nBackupTime=12/5/2026 9:30:05 PM\r\n"
                               "BackupInformation=\r\nBackupContacts={C1}.zip\r\nBackupItem=00000100000\r\n";
    const fs::path nested = p.dir / "nested.zip";
    auto backupWith = [&](const std::vector<RawEntry>& inside, const std::vector<RawEntry>& more) {
        testing_support::writeRawZip(nested, inside);
        std::vector<RawEntry> members{{"oebackup.dat", record}, {"{C1}.zip", readFile(nested)}};
        members.insert(members.end(), more.begin(), more.end());
        const fs::path archive = p.dir / "hostile.wlm";
        testing_support::writeRawZip(archive, members);
        return "verify '" + archive.string() + "'";
    };
    const std::vector<RawEntry> contacts{{"contacts.edb", "data"}, {"sub/", ""}};
    std::string out;
    ASSERT_EQ(p.cli(backupWith(contacts, {}), &out), 0) << out;

    const std::vector<std::pair<std::vector<RawEntry>, std::string>> hostileMembers{
        {{{"../evil.txt", "x"}}, "the member name \"../evil.txt\" is no plain path inside the target folder"},
        {{{"/tmp/evil.txt", "x"}}, "the member name \"/tmp/evil.txt\" is no plain path inside the target folder"},
        {{{"C:evil.txt", "x"}}, "the member name \"C:evil.txt\" is no plain path inside the target folder"},
        {{{"sub/evil.txt", "x"}}, "the member name \"sub/evil.txt\" is no plain file name"},
        {{{"...zip", "x"}}, "the folder archive \"...zip\" gives no plain folder name"},
        {{{"link", "/etc/passwd", true}}, "the member \"link\" is a link"},
    };
    for (const auto& [more, why] : hostileMembers) {
        EXPECT_EQ(p.cli(backupWith(contacts, more), &out), 1) << why;
        EXPECT_NE(out.find("tarnhold-cli: " + why), std::string::npos) << out;
    }
    const std::vector<std::pair<std::vector<RawEntry>, std::string>> hostileEntries{
        {{{"../../evil.txt", "x"}}, "\"../../evil.txt\" is no plain path inside the target folder"},
        {{{"C:\\evil.txt", "x"}}, "\"C:\\evil.txt\" is no plain path inside the target folder"},
        {{{"sub/NUL.txt", "x"}}, "\"sub/NUL.txt\" is no plain path inside the target folder"},
        {{{"up", "../..", true}, {"up/evil.txt", "x"}}, "the member \"up\" is a link"},
    };
    for (const auto& [inside, why] : hostileEntries) {
        std::vector<RawEntry> entries = contacts;
        entries.insert(entries.end(), inside.begin(), inside.end());
        EXPECT_EQ(p.cli(backupWith(entries, {}), &out), 1) << why;
        EXPECT_NE(out.find("tarnhold-cli: {C1}.zip: "), std::string::npos) << out;
        EXPECT_NE(out.find(why), std::string::npos) << out;
    }
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
    ASSERT_EQ(runCommand(std::string(testing_support::kStrace) + "-f -qq -s 4096 -e trace=rename,renameat,renameat2,fsync,syncfs -o '" + trace.string() + "' " +
                             p.env() + "'" TARNHOLD_CLI "' restore '" + archive + "' --items 10000000000", &out), 0)
        << out;
    std::istringstream calls(readFile(trace));
    std::map<std::string, int> exchanges;
    int fileFlushes = 0, fileSystemFlushes = 0;
    const fs::path touched = p.dir / "prefix" / "dosdevices" / "c:" / fs::relative(store, p.dir / "prefix" / "drive_c");
    for (std::string call; std::getline(calls, call);) {
        fileFlushes += call.find(" fsync(") != std::string::npos;
        fileSystemFlushes += call.find(" syncfs(") != std::string::npos;
        for (const auto& account : accounts) {
            const std::string path = "\"" + (touched / account).string() + "\"";
            if (call.find(path + ", RENAME_EXCHANGE)") != std::string::npos) ++exchanges[account];
            // An account folder is never renamed away from its place.
            EXPECT_EQ(call.find("(" + path), std::string::npos) << call;
            EXPECT_EQ(call.find("AT_FDCWD, " + path + ", AT_FDCWD"), std::string::npos) << call;
        }
    }
    EXPECT_EQ(exchanges, (std::map<std::string, int>{{accounts[0], 1}, {accounts[1], 1}}));
    // An unpacked account folder is flushed once before it is swapped in, not file by file.
    EXPECT_EQ(fileSystemFlushes, 2);
    EXPECT_LT(fileFlushes, static_cast<int>(first.size() + second.size())) << readFile(trace);
    EXPECT_EQ(filesBelow(store / accounts[0]), first);
    EXPECT_EQ(filesBelow(store / accounts[1]), second);
    for (const auto& e : fs::directory_iterator(store)) EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
}

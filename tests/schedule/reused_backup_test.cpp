// The weekly backup over an earlier one: unchanged files are copied from it,
// the result is what a full backup gives, and anything doubtful about the
// earlier file gives a full backup. Real binaries on generated prefixes,
// checked with 7-Zip, unzip and the program's own restore.
#include <gtest/gtest.h>
#include <zip.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <regex>
#include <thread>

#include "platform/WineRegistry.h"
#include "support/TestEnvironment.h"

using testing_support::filesBelow;
using testing_support::readFile;
using testing_support::registryBelow;
using testing_support::Snapshot;
using testing_support::runCommand;
using testing_support::shellQuote;
using testing_support::TempDir;
using testing_support::writeFile;
namespace fs = std::filesystem;

namespace {

struct Store {
    Store() {
        testing_support::makeSamplePrefix(dir / "prefix", {"--user", "owner", "--accounts", "2", "--messages", "30"});
        fs::create_directories(dir / "home");
        fs::create_directories(dir / "out");
        setReuse(true);
    }
    void setReuse(bool on) {
        writeFile(dir / "home" / "settings.dat",
                  std::string("[autobackup]\r\nautobackupfile=0\r\n") + (on ? "" : "reuseunchanged=0\r\n"));
    }
    std::string env(const fs::path& prefix) const {
        return "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM USERPROFILE='C:\\users\\owner' WINEPREFIX=" +
               shellQuote(prefix.string()) + " TARNHOLD_HOME=" + shellQuote((dir / "home").string()) + " ";
    }
    // The scheduled backup of every item into `target`.
    int backup(const fs::path& target, const std::string& password = "", std::string* out = nullptr) const {
        std::string ignored;
        return runCommand(env(dir / "prefix") + "timeout 120 '" TARNHOLD_BINARY "' " +
                              shellQuote(" sf=ownerxm=11111111111ps=" + password + "bf=" + target.string()),
                          out ? out : &ignored);
    }
    // The log lines the last run wrote.
    std::string lastRunLog() const {
        const std::string log = readFile(dir / "home" / "brlog.dat");
        return log.substr(log.rfind(" Start Auto Backup User Profile "));
    }
    fs::path mailStore() const { return dir / "prefix/drive_c/users/owner/AppData/Local/Microsoft/Windows Live Mail"; }
    // One message file of the store.
    fs::path someMessage() const {
        for (const auto& e : fs::recursive_directory_iterator(mailStore())) {
            if (e.path().extension() == ".eml") return e.path();
        }
        return {};
    }
    // Every member of `archive` and of each folder archive in it pass both tools' tests.
    void expectSound(const fs::path& archive, const std::string& password = "") const {
        const std::string p = password.empty() ? "" : " -p" + shellQuote(password);
        EXPECT_EQ(runCommand("7z t" + p + " " + shellQuote(archive.string()) + " >/dev/null"), 0) << archive;
        const fs::path inner = dir / "inner";
        fs::remove_all(inner);
        ASSERT_EQ(runCommand("7z x -y" + p + " -o" + shellQuote(inner.string()) + " " + shellQuote(archive.string()) +
                             " >/dev/null"),
                  0);
        int folders = 0;
        for (const auto& e : fs::directory_iterator(inner)) {
            if (e.path().extension() != ".zip") continue;
            ++folders;
            EXPECT_EQ(runCommand("unzip -tq " + shellQuote(e.path().string()) + " >/dev/null"), 0) << e.path();
            EXPECT_EQ(runCommand("7z t " + shellQuote(e.path().string()) + " >/dev/null"), 0) << e.path();
        }
        EXPECT_GT(folders, 3);
    }
    // Restored into a copy of the prefix as it is now: its user's files and the client's keys.
    std::pair<Snapshot, Snapshot> restored(const fs::path& archive, const std::string& name) const {
        const fs::path copy = dir / name;
        fs::remove_all(copy);
        fs::copy(dir / "prefix", copy, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
        std::string out;
        EXPECT_EQ(runCommand(env(copy) + "'" TARNHOLD_CLI "' restore " + shellQuote(archive.string()), &out), 0) << out;
        Snapshot registry;
        platform::WineRegistry reg(copy.string());
        registryBelow(reg, "Software\\Microsoft\\Windows Live Mail", &registry);
        return {filesBelow(copy / "drive_c/users/owner"), registry};
    }
    TempDir dir;
};

long long counted(const std::string& log, const char* item, int which) {
    std::smatch m;
    const std::regex line(std::string(item) + R"( Succeeded! \((\d+) files copied from the earlier backup, (\d+) compressed\))");
    return std::regex_search(log, m, line) ? std::stoll(m[which].str()) : -1;
}

// The deflated bytes of member `name` as they lie in `archive`, not inflated.
std::string compressedBytes(const fs::path& archive, const char* name) {
    int code = 0;
    zip_t* za = zip_open(archive.string().c_str(), ZIP_RDONLY, &code);
    if (!za) return {};
    std::string bytes;
    if (zip_file_t* f = zip_fopen(za, name, ZIP_FL_COMPRESSED)) {
        char buffer[65536];
        for (zip_int64_t n; (n = zip_fread(f, buffer, sizeof buffer)) > 0;) bytes.append(buffer, static_cast<std::size_t>(n));
        zip_fclose(f);
    }
    zip_discard(za);
    return bytes;
}

// The backup's own members, as the line after the archive is written counts them.
long long membersCounted(const std::string& log, int which) {
    std::smatch m;
    const std::regex line(R"( Members of the backup file: (\d+) copied from the earlier backup, (\d+) compressed)");
    return std::regex_search(log, m, line) ? std::stoll(m[which].str()) : -1;
}

// A file of some folder archive of `archive`, found by the end of its name:
// its deflated bytes as they lie there, and what they inflate to.
struct InnerFile {
    std::string deflated, content;
};
InnerFile innerFile(const fs::path& archive, const fs::path& scratch, const std::string& nameEnd) {
    fs::remove_all(scratch);
    runCommand("7z x -y -o" + shellQuote(scratch.string()) + " " + shellQuote(archive.string()) + " >/dev/null");
    for (const auto& e : fs::directory_iterator(scratch)) {
        zip_t* za = zip_open(e.path().string().c_str(), ZIP_RDONLY, nullptr);
        if (!za) continue;
        InnerFile found;
        for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
            const std::string name = zip_get_name(za, i, 0);
            if (name.size() < nameEnd.size() || name.compare(name.size() - nameEnd.size(), nameEnd.size(), nameEnd) != 0) continue;
            for (zip_flags_t flags : {ZIP_FL_COMPRESSED, zip_flags_t{0}}) {
                std::string& into = flags ? found.deflated : found.content;
                zip_file_t* f = zip_fopen_index(za, i, flags);
                char buffer[65536];
                for (zip_int64_t n; f && (n = zip_fread(f, buffer, sizeof buffer)) > 0;) into.append(buffer, static_cast<std::size_t>(n));
                if (f) zip_fclose(f);
            }
        }
        zip_discard(za);
        if (!found.deflated.empty()) return found;
    }
    return {};
}

// Flips `count` bytes of `file` where `piece` first lies in it.
bool damageWhere(const fs::path& file, const std::string& piece, std::size_t count) {
    std::string bytes = readFile(file);
    const std::size_t at = bytes.find(piece);
    if (at == std::string::npos) return false;
    for (std::size_t i = at; i < at + count; ++i) bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
    writeFile(file, bytes);
    return true;
}

// What unzip takes out of `archive` as member `name`.
std::string unzipped(const fs::path& archive, const char* name) {
    std::string out;
    runCommand("unzip -p " + shellQuote(archive.string()) + " " + shellQuote(name), &out);
    return out;
}

}  // namespace

TEST(ReusedBackup, UnchangedFilesAreCopiedAndRestoreExactlyAsAFullBackupDoes) {
    Store s;
    const fs::path weekly = s.dir / "out" / "weekly.wlm", full = s.dir / "out" / "full.wlm";
    std::string out;
    ASSERT_EQ(s.backup(weekly, "", &out), 0) << out;
    EXPECT_NE(s.lastRunLog().find(" Every file is compressed anew: the earlier backup " + weekly.string() +
                                  " is not used, there is none"),
              std::string::npos)
        << s.lastRunLog();
    const std::string first = readFile(weekly);

    // A file changed with its size and time kept is compressed anew: its CRC differs.
    const fs::path touched = s.someMessage();
    ASSERT_FALSE(touched.empty());
    std::string text = readFile(touched);
    const auto when = fs::last_write_time(touched);
    text[text.size() / 2] = text[text.size() / 2] == 'x' ? 'y' : 'x';
    writeFile(touched, text);
    fs::last_write_time(touched, when);

    ASSERT_EQ(s.backup(weekly, "", &out), 0) << out;
    const std::string log = s.lastRunLog();
    EXPECT_NE(log.find(" Unchanged files are copied from the earlier backup " + weekly.string()), std::string::npos) << log;
    const char* accounts = " Backup Mail Accounts & Messages/News Accounts & Messages";
    EXPECT_GT(counted(log, accounts, 1), 30) << log;
    EXPECT_EQ(counted(log, accounts, 2), 1) << "only the touched message is compressed\n" << log;
    EXPECT_EQ(counted(log, " Backup Contacts", 2), 0) << log;
    EXPECT_NE(readFile(weekly), first);
    s.expectSound(weekly);

    s.setReuse(false);
    ASSERT_EQ(s.backup(full, "", &out), 0) << out;
    EXPECT_EQ(s.lastRunLog().find("copied"), std::string::npos) << "reuseunchanged=0 compresses every file";
    const auto fromReused = s.restored(weekly, "restored-reused");
    const auto fromFull = s.restored(full, "restored-full");
    EXPECT_EQ(fromReused.first.size(), fromFull.first.size());
    EXPECT_TRUE(fromReused.first == fromFull.first) << "the files restored differ";
    EXPECT_EQ(fromReused.first.at(fs::relative(touched, s.dir / "prefix/drive_c/users/owner").string()), text);
    EXPECT_FALSE(fromReused.second.empty());
    EXPECT_TRUE(fromReused.second == fromFull.second) << "the registry restored differs";
}

TEST(ReusedBackup, AnEarlierBackupThatCannotServeGivesAFullBackupAndSaysWhy) {
    Store s;
    const fs::path weekly = s.dir / "out" / "weekly.wlm";
    std::string out;
    ASSERT_EQ(s.backup(weekly, "pa55", &out), 0) << out;

    // Another password: nothing copied.
    ASSERT_EQ(s.backup(weekly, "other", &out), 0) << out;
    EXPECT_NE(s.lastRunLog().find(" is not used, its information record does not open with this backup's password"),
              std::string::npos)
        << s.lastRunLog();
    EXPECT_EQ(s.lastRunLog().find("files copied"), std::string::npos);
    s.expectSound(weekly, "other");

    // The same password again: the protected folder archives are copied from.
    ASSERT_EQ(s.backup(weekly, "other", &out), 0) << out;
    EXPECT_NE(s.lastRunLog().find(" Unchanged files are copied from the earlier backup "), std::string::npos);
    EXPECT_EQ(counted(s.lastRunLog(), " Backup Contacts", 2), 0) << s.lastRunLog();
    s.expectSound(weekly, "other");

    // Without a password over a protected one.
    ASSERT_EQ(s.backup(weekly, "", &out), 0) << out;
    EXPECT_NE(s.lastRunLog().find(" is not used, it is protected with a password and this backup is not"),
              std::string::npos)
        << s.lastRunLog();

    // Truncated: a full backup, which replaces it.
    ASSERT_EQ(s.backup(weekly, "", &out), 0) << out;
    const std::string plain = readFile(weekly);
    writeFile(weekly, plain.substr(0, plain.size() / 2));
    ASSERT_EQ(s.backup(weekly, "", &out), 0) << out;
    EXPECT_NE(s.lastRunLog().find(" is not used, it cannot be opened"), std::string::npos) << s.lastRunLog();
    s.expectSound(weekly);

    // A deflated member damaged inside a stored folder archive, its CRC-32
    // left as it was: copied on the file's size and CRC, it fails the new
    // backup's read-back, and the backup is written again with every file
    // compressed, which is said once.
    std::string damaged = readFile(weekly);
    const std::size_t member = damaged.find(".eml", damaged.find("Hotmail"));
    ASSERT_NE(member, std::string::npos);
    for (std::size_t i = member + 40; i < member + 240; ++i) damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
    writeFile(weekly, damaged);
    ASSERT_EQ(s.backup(weekly, "", &out), 0) << out;
    const std::string log = s.lastRunLog();
    EXPECT_NE(log.find(" Unchanged files are copied from the earlier backup "), std::string::npos) << log;
    EXPECT_NE(log.find(" was not used further: the new backup did not read back whole with what was copied from it: "
                       "the new archive did not read back whole: \"Hotmail"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("; every file was compressed anew"), std::string::npos) << log;
    EXPECT_EQ(log.find(" was not used further"), log.rfind(" was not used further")) << "said once\n" << log;
    EXPECT_NE(log.find(" Members of the backup file: 0 copied from the earlier backup"), std::string::npos) << log;
    s.expectSound(weekly);
}

TEST(ReusedBackup, TheMailDatabaseIsCopiedWhileUnchangedAndCompressedAnewOnceChanged) {
    Store s;
    // Large enough to be copied piece by piece after a read for its CRC.
    const fs::path database = s.mailStore() / "Mail.MSMessageStore";
    std::string pages;
    for (unsigned long long i = 0; pages.size() < (10u << 20); ++i) pages += "page " + std::to_string(i * 7919 % 100003) + " of the store;";
    writeFile(database, pages);
    const fs::path weekly = s.dir / "out" / "weekly.wlm";
    std::string out;
    ASSERT_EQ(s.backup(weekly, "", &out), 0) << out;
    EXPECT_EQ(membersCounted(s.lastRunLog(), 1), -1) << "no such line without an earlier backup\n" << s.lastRunLog();
    const std::string deflated = compressedBytes(weekly, "Mail.MSMessageStore");
    ASSERT_GT(deflated.size(), 1000u);

    ASSERT_EQ(s.backup(weekly, "", &out), 0) << out;
    EXPECT_GE(membersCounted(s.lastRunLog(), 1), 2) << s.lastRunLog();
    EXPECT_EQ(compressedBytes(weekly, "Mail.MSMessageStore"), deflated) << "copied as it was";
    EXPECT_EQ(unzipped(weekly, "Mail.MSMessageStore"), pages);
    s.expectSound(weekly);
    const long long copied = membersCounted(s.lastRunLog(), 1);

    // Changed with its size and time kept: its CRC differs, so it is compressed anew.
    const auto when = fs::last_write_time(database);
    pages[pages.size() / 2] = '#';
    writeFile(database, pages);
    fs::last_write_time(database, when);
    ASSERT_EQ(s.backup(weekly, "", &out), 0) << out;
    EXPECT_EQ(membersCounted(s.lastRunLog(), 1), copied - 1) << s.lastRunLog();
    EXPECT_EQ(unzipped(weekly, "Mail.MSMessageStore"), pages);

    // Its deflated bytes damaged in the earlier backup: the new backup does
    // not read back, so it is written again with everything compressed.
    std::string damaged = readFile(weekly);
    const std::string now = compressedBytes(weekly, "Mail.MSMessageStore");
    const std::size_t at = damaged.find(now.substr(now.size() / 2, 64));
    ASSERT_NE(at, std::string::npos);
    for (std::size_t i = at; i < at + 64; ++i) damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
    writeFile(weekly, damaged);
    ASSERT_EQ(s.backup(weekly, "", &out), 0) << out;
    const std::string log = s.lastRunLog();
    EXPECT_NE(log.find(" was not used further: the new backup did not read back whole with what was copied from it: "
                       "the new archive did not read back whole: \"Mail.MSMessageStore\""),
              std::string::npos)
        << log;
    EXPECT_EQ(membersCounted(log, 1), 0) << log;
    EXPECT_EQ(unzipped(weekly, "Mail.MSMessageStore"), pages);
    s.expectSound(weekly);
}

TEST(ReusedBackup, ALargeMessageIsCopiedPieceByPieceAndACopyThatFailsGivesAFullBackup) {
    Store s;
    // Larger than the pieces a file is compressed in: read through for its
    // CRC, then its deflated bytes copied as they lie.
    // A message of each account: each account's folder is an archive of its own.
    const auto messageOf = [&s](const char* account) {
        for (const auto& e : fs::recursive_directory_iterator(s.mailStore() / account)) {
            if (e.path().extension() == ".eml") return e.path();
        }
        return fs::path();
    };
    const fs::path small = messageOf("Gmail"), big = messageOf("Hotmail (owner)").parent_path() / "Large (000000FF).eml";
    ASSERT_FALSE(small.empty());
    ASSERT_NE(big, "Large (000000FF).eml");
    std::string text = "Subject: large\r\n\r\n";
    for (unsigned long long i = 0; text.size() < (9u << 20); ++i) text += "line " + std::to_string(i * 7919 % 100003) + " of it\r\n";
    writeFile(big, text);
    const fs::path weekly = s.dir / "out" / "weekly.wlm", scratch = s.dir / "inner-files";
    const std::string bigName = big.filename().string(), smallName = small.filename().string();
    const char* accounts = " Backup Mail Accounts & Messages/News Accounts & Messages";
    std::string out;
    ASSERT_EQ(s.backup(weekly, "", &out), 0) << out;
    const InnerFile first = innerFile(weekly, scratch, bigName);
    ASSERT_GT(first.deflated.size(), 1000u);

    ASSERT_EQ(s.backup(weekly, "", &out), 0) << out;
    EXPECT_EQ(counted(s.lastRunLog(), accounts, 2), 0) << "nothing compressed\n" << s.lastRunLog();
    const InnerFile second = innerFile(weekly, scratch, bigName);
    EXPECT_EQ(second.deflated, first.deflated) << "copied as it was";
    EXPECT_EQ(second.content, text);
    s.expectSound(weekly);

    // Its data damaged in the earlier backup: caught by the read-back, and
    // everything is written once more.
    ASSERT_TRUE(damageWhere(weekly, second.deflated.substr(second.deflated.size() / 2, 64), 64));
    ASSERT_EQ(s.backup(weekly, "", &out), 0) << out;
    EXPECT_NE(s.lastRunLog().find(" was not used further: the new backup did not read back whole with what was "
                                  "copied from it: "),
              std::string::npos)
        << s.lastRunLog();
    EXPECT_EQ(innerFile(weekly, scratch, bigName).content, text);
    s.expectSound(weekly);

    // Its local header's name changed, so that its bytes cannot be taken,
    // and a message of another folder damaged as well: that folder is packed
    // again without the earlier backup, and the damage the read-back finds
    // still gives a full backup, though the backup's own members were not
    // offered for copying.
    ASSERT_EQ(s.backup(weekly, "", &out), 0) << out;
    const InnerFile other = innerFile(weekly, scratch, smallName);
    ASSERT_GT(other.deflated.size(), 40u);
    ASSERT_TRUE(damageWhere(weekly, bigName, 1));
    ASSERT_TRUE(damageWhere(weekly, other.deflated.substr(other.deflated.size() / 2 - 8, 16), 16));
    ASSERT_EQ(s.backup(weekly, "", &out), 0) << out;
    const std::string log = s.lastRunLog();
    EXPECT_NE(log.find(bigName + "\" cannot be read"), std::string::npos) << log;
    EXPECT_NE(log.find(" was not used further: the new backup did not read back whole with what was copied from it: "),
              std::string::npos)
        << log;
    EXPECT_GT(counted(log, accounts, 2), 1) << "the folder whose copy failed is compressed anew\n" << log;
    EXPECT_EQ(innerFile(weekly, scratch, bigName).content, text);
    EXPECT_EQ(innerFile(weekly, scratch, smallName).content, readFile(small));
    s.expectSound(weekly);
}

// A dated backup copies from the newest dated one, or from the one of its
// own name when a run of the same minute made it and it is replaced.
TEST(ReusedBackup, ADatedBackupCopiesFromTheDatedOneBeforeIt) {
    Store s;
    writeFile(s.dir / "home" / "settings.dat", "[autobackup]\r\nautobackupfile=1\r\n");
    const fs::path target = s.dir / "out" / "weekly.wlm";
    std::string out;
    ASSERT_EQ(s.backup(target, "", &out), 0) << out;
    std::vector<fs::path> made;
    for (const auto& e : fs::directory_iterator(s.dir / "out")) made.push_back(e.path());
    ASSERT_EQ(made.size(), 1u);
    ASSERT_EQ(s.backup(target, "", &out), 0) << out;
    EXPECT_NE(s.lastRunLog().find(" Unchanged files are copied from the earlier backup " + made[0].string()),
              std::string::npos)
        << s.lastRunLog();
    EXPECT_GT(counted(s.lastRunLog(), " Backup Mail Accounts & Messages/News Accounts & Messages", 1), 30);
}

TEST(ReusedBackup, AKillDuringAReusedBackupLeavesTheOldBackupWhole) {
    Store s;
    const fs::path weekly = s.dir / "out" / "weekly.wlm";
    std::string out;
    ASSERT_EQ(s.backup(weekly, "", &out), 0) << out;
    for (int delayMs : {20, 60, 120, 250}) {
        const std::string before = readFile(weekly);
        std::string pid;
        runCommand(s.env(s.dir / "prefix") + "'" TARNHOLD_BINARY "' " +
                       shellQuote(" sf=ownerxm=11111111111ps=bf=" + weekly.string()) + " >/dev/null 2>&1 & echo $!",
                   &pid);
        pid.erase(pid.find_last_not_of('\n') + 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        runCommand("kill -9 " + pid + " 2>/dev/null; while kill -0 " + pid + " 2>/dev/null; do sleep 0.02; done");
        const std::string after = readFile(weekly);
        // Either the old backup as it was, or a complete new one that replaced it.
        if (after != before) s.expectSound(weekly);
        EXPECT_EQ(runCommand("7z t " + shellQuote(weekly.string()) + " >/dev/null"), 0) << "killed after " << delayMs;
    }
    EXPECT_EQ(runCommand("7z t " + shellQuote(weekly.string()) + " >/dev/null"), 0);
}

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "config/OperationTime.h"
#include "backup/BackupRun.h"
#include "backup/ExclusiveRun.h"
#include "backup/InformationRecord.h"
#include "items/ItemFixture.h"
#include "platform/Text.h"

using namespace backup;
using testing_support::ItemFixture;
using testing_support::readFile;
using testing_support::writeFile;
namespace fs = std::filesystem;

namespace {

BackupRequest requestFor(const ItemFixture& f, std::initializer_list<std::size_t> chosen) {
    BackupRequest r;
    r.targetFile = f.archivePath();
    for (auto i : chosen) r.chosen[i] = true;
    r.description = "first\r\nsecond";
    r.userName = "owner";
    r.ComputerName = "DESKTOP-01";
    r.LogonUserName = "owner";
    return r;
}

struct PinnedClock {
    PinnedClock() { config::PinCurrentDateTimeForTests(config::DateTime::fromLocalFields({2026, 12, 5, 21, 30, 5})); }
    ~PinnedClock() { config::PinCurrentDateTimeForTests({}); }
};

}  // namespace

TEST(BackupRun, ValidationMessagesComeInTheirOrder) {
    BackupRequest r;
    EXPECT_EQ(ValidateBackup(r, "")->text, "Invalid backup file name.");
    r.targetFile = "/x/a.wlm";
    EXPECT_EQ(ValidateBackup(r, "")->text, "Please select at least one item.");
    EXPECT_EQ(ValidateBackup(r, "")->icon, platform::Icon::Exclamation);
    r.chosen[items::kCalendars] = true;
    EXPECT_FALSE(ValidateBackup(r, "different"));  // no protection: fields not looked at
    r.protect = true;
    EXPECT_EQ(ValidateBackup(r, "")->text, "Please enter Password!");
    EXPECT_EQ(ValidateBackup(r, "")->icon, platform::Icon::Critical);
    r.password = "pw";
    EXPECT_EQ(ValidateBackup(r, "")->text, "Incorect Password!");
    EXPECT_EQ(ValidateBackup(r, "PW")->text, "Incorect Password!");
    EXPECT_FALSE(ValidateBackup(r, "pw"));
}

TEST(BackupRun, WritesRecordLogAndArchiveInOrder) {
    PinnedClock clock;
    ItemFixture f;
    writeFile(f.stationery() / "paper.htm", "<html>");
    fs::create_directories(f.contacts());  // no subfolders: the item fails
    std::vector<std::string> statuses;
    int progress = 0;
    BackupEvents events{[&](const std::string& s) { statuses.push_back(s); }, [&](int n) { progress += n; }};
    const auto log = OperationLog::of(f.platform.env);
    auto outcome = RunBackupItems(f.ctx, requestFor(f, {items::kContacts, items::kStationeries}), kManualRunTexts, log,
                                  events);
    EXPECT_TRUE(outcome.archiveWritten) << outcome.archiveError;
    EXPECT_EQ(outcome.ItemFlags, "00000000100");
    EXPECT_EQ(outcome.RunSummary, "\r\nBackup Contacts\tFail!\r\nBackup Stationeries\tSuccessed!");
    EXPECT_EQ(CompletionMessage(outcome, f.archivePath()),
              "The Backup was Completed!\r\n\r\nBackup Contacts\tFail!\r\nBackup Stationeries\tSuccessed!");
    EXPECT_EQ(statuses, (std::vector<std::string>{"Copying Contacts...", "Copying Stationeries..."}));
    EXPECT_EQ(progress, 81);
    const std::string stamp = "12/5/2026 9:30:05 PM";
    EXPECT_EQ(readFile(log.path()), std::string(84, '.') + "\r\r\n" +
                                        stamp + " Start Backup User Profile owner Data...\n\r\n" +
                                        stamp + " Backup File is " + f.archivePath() + "\n\r\n" +
                                        stamp + " Backup Contacts Fail!\n\r\n" +
                                        stamp + " Backup Stationeries Succeeded!\n\r\n" +
                                        stamp + " Backup User Profile owner Data was Completed!\r\r\n");
    EXPECT_EQ(LoadLogList(log.path()).back(), stamp + " Backup User Profile owner Data was Completed!");

    // The staged record is gone; the archive holds it with the run's flags.
    EXPECT_FALSE(fs::exists(f.ctx.InfoRecordPath));
    ASSERT_TRUE(f.Zip1.openArchive(f.archivePath()));
    auto record = f.Zip1.findMember("oebackup.dat");
    ASSERT_TRUE(record);
    ASSERT_TRUE(f.Zip1.extractMember(*record, (f.dir / "check").string()));
    EXPECT_EQ(readFile(f.dir / "check" / "oebackup.dat"),
              "BackupComputer=DESKTOP-01\r\nBackupLogonUser=owner\r\nBackupTime=" + stamp +
                  "\r\nBackupInformation=firstPS$OEBsecond\r\nBackupStationeries=paper.htm\r\n"
                  "BackupItem=00000000100\r\n");
    std::vector<std::string> names;
    for (const auto& m : f.Zip1.members()) names.push_back(m.name);
    EXPECT_EQ(names, (std::vector<std::string>{"paper.htm", "oebackup.dat"}));
    f.Zip1.closeArchive();
    // Only the log and the run lock remain in the program folder.
    EXPECT_EQ(testing_support::namesIn(f.platform.env.programFolder),
              (std::vector<std::string>{"brlog.dat", "run.lock"}));
}

TEST(BackupRun, AnArchiveThatCannotBeWrittenIsReportedAndTheEarlierOneSurvives) {
    PinnedClock clock;
    ItemFixture f;
    writeFile(f.stationery() / "paper.htm", "<html>");
    writeFile(f.archivePath(), "the earlier backup");
    // A file the archive was to hold vanishes before the archive is written.
    BackupEvents events{[&](const std::string& s) {
                            if (s == "Copying Settings...") fs::remove(f.stationery() / "paper.htm");
                        },
                        {}};
    auto request = requestFor(f, {items::kStationeries, items::kSettings});
    auto outcome = RunBackupItems(f.ctx, request, kManualRunTexts, OperationLog::of(f.platform.env), events);
    EXPECT_FALSE(outcome.archiveWritten);
    EXPECT_EQ(readFile(f.archivePath()), "the earlier backup");
    EXPECT_EQ(CompletionMessage(outcome, f.archivePath()).rfind("The Backup File could not be written:\r\n" +
                                                                     f.archivePath() + "\r\n\r\n", 0),
              0u);
    const auto lines = LoadLogList(OperationLog::of(f.platform.env).path());
    ASSERT_GE(lines.size(), 2u);
    EXPECT_NE(lines[lines.size() - 2].find(" Backup File " + f.archivePath() + " was not written: "), std::string::npos);
    for (const auto& e : fs::directory_iterator(f.dir.path())) {
        EXPECT_EQ(e.path().filename().string().find("backup.wlm."), std::string::npos) << e.path();
    }
}

TEST(BackupRun, AUsersFileNamedLikeTheRecordFailsItsItemAndTheRecordStaysTheProgramsOwn) {
    PinnedClock clock;
    ItemFixture f;
    writeFile(f.stationery() / "paper.htm", "<html>");
    writeFile(f.stationery() / "OEBackup.dat", "BackupItem=11111111111\r\n");
    f.platform.registry.createKey(platform::Hive::CurrentUser, "Software\\Microsoft\\Windows Live Mail\\Advanced Settings");
    auto request = requestFor(f, {items::kStationeries, items::kSettings});
    auto outcome = RunBackupItems(f.ctx, request, kManualRunTexts, OperationLog::of(f.platform.env), {});
    ASSERT_TRUE(outcome.archiveWritten);
    EXPECT_FALSE(outcome.allSucceeded);
    const auto lines = LoadLogList(OperationLog::of(f.platform.env).path());
    bool named = false;
    for (const auto& line : lines) {
        if (line.find(" Backup Stationeries Fail! (the file \"") != std::string::npos &&
            line.find("OEBackup.dat\" has the name of the backup's own information record)") != std::string::npos)
            named = true;
    }
    EXPECT_TRUE(named);

    // The archive holds the program's record, which opens it.
    ZipComponent zip;
    ASSERT_TRUE(zip.openArchive(f.archivePath()));
    auto record = zip.findMember(kInfoRecordName);
    ASSERT_TRUE(record);
    EXPECT_FALSE(zip.findMember("OEBackup.dat"));
    ASSERT_TRUE(zip.extractMember(*record, (f.dir / "out").string()));
    EXPECT_EQ(GetINI("BackupItem", (f.dir / "out" / kInfoRecordName).string()), "00000000010");
}

TEST(BackupRun, AProgramFolderThatCannotBeUsedWritesNothingAndSaysWhy) {
    PinnedClock clock;
    ItemFixture f;
    writeFile(f.store() / "Hotmail" / "Inbox" / "{1}.eml", "mail");
    writeFile(f.archivePath(), "the earlier backup");
    // The program folder cannot hold the run's lock or its folder archives.
    writeFile(f.dir / "not-a-folder", "x");
    f.platform.env.programFolder = (f.dir / "not-a-folder" / "app").string();
    auto request = requestFor(f, {items::kMailAccounts});
    auto outcome = RunBackupItems(f.ctx, request, kManualRunTexts, OperationLog::of(f.platform.env), {});
    EXPECT_FALSE(outcome.archiveWritten);
    EXPECT_FALSE(outcome.allSucceeded);
    EXPECT_NE(outcome.archiveError.find(f.platform.env.programFolder), std::string::npos) << outcome.archiveError;
    EXPECT_EQ(readFile(f.archivePath()), "the earlier backup");
}

TEST(BackupRun, ATargetInWindowsFormIsWrittenThroughThePrefixAndLoggedAsTyped) {
    PinnedClock clock;
    ItemFixture f;
    fs::create_directories(f.host("C:\\Backups"));
    auto request = requestFor(f, {items::kSettings});
    request.targetFile = "C:\\Backups\\weekly.wlm";
    auto outcome = RunBackupItems(f.ctx, request, kManualRunTexts, OperationLog::of(f.platform.env), {});
    ASSERT_TRUE(outcome.archiveWritten) << outcome.archiveError;
    EXPECT_TRUE(fs::is_regular_file(f.host("C:\\Backups\\weekly.wlm")));
    EXPECT_NE(readFile(OperationLog::of(f.platform.env).path()).find(" Backup File is C:\\Backups\\weekly.wlm\n"),
              std::string::npos);
}

TEST(BackupRun, TheBarMovesInsideALongItemAndEachStepStillSumsToItsValue) {
    PinnedClock clock;
    ItemFixture f;
    for (const char* account : {"Hotmail", "Work", "News", "Archive"}) {
        for (int i = 0; i < 20; ++i)
            writeFile(f.store() / account / "Inbox" / ("{" + std::to_string(i) + "}.eml"), std::string(20000, 'm'));
    }
    std::vector<int> steps;
    std::vector<std::size_t> statusAt;
    BackupEvents events{[&](const std::string&) { statusAt.push_back(steps.size()); },
                        [&](int amount) { steps.push_back(amount); }};
    auto request = requestFor(f, {items::kMailAccounts});
    auto outcome = RunBackupItems(f.ctx, request, kManualRunTexts, OperationLog::of(f.platform.env), events);
    ASSERT_TRUE(outcome.archiveWritten);
    ASSERT_EQ(statusAt.size(), 1u);
    // The start's 10, then the mail item's 20 in several moves, then the other items' steps.
    ASSERT_EQ(statusAt[0], 1u);
    EXPECT_EQ(steps[0], 10);
    int inItem = 0, moves = 0;
    for (std::size_t i = 1; i < steps.size() && inItem < 20; ++i, ++moves) inItem += steps[i];
    EXPECT_EQ(inItem, 20);
    EXPECT_GE(moves, 4);
    int total = 0;
    for (int s : steps) total += s;
    int expected = 10;
    for (const auto& item : items::kCatalogue) expected += item.backupProgress;
    EXPECT_EQ(total, expected);
}

namespace {

// Incompressible bytes, so a byte in the middle of an archive holding them
// is member data.
std::string noise(std::size_t size, unsigned seed) {
    std::string text(size, '\0');
    for (char& c : text) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
    return text;
}

std::vector<fs::path> temporariesBeside(const std::string& target) {
    std::vector<fs::path> found;
    for (const auto& e : fs::directory_iterator(fs::path(target).parent_path())) {
        if (e.path().filename().string().rfind(fs::path(target).filename().string() + ".", 0) == 0) found.push_back(e.path());
    }
    return found;
}

// Notifications that apply `damage` to the backup's temporary file once,
// when its read-back starts; `done` tells that it happened.
ZipNotifications damageOnceAtReadBack(const std::string& target, bool& done,
                                       std::function<void(std::string&)> damage) {
    done = false;
    return {{}, {}, {}, [&target, &done, damage](const std::string&) {
                if (done) return;
                done = true;
                const auto written = temporariesBeside(target);
                ASSERT_EQ(written.size(), 1u);
                std::string bytes = readFile(written[0]);
                damage(bytes);
                writeFile(written[0], bytes);
            }};
}

}  // namespace

// The record, scratch files and folder archives of a run live in its own
// folder: a record staged by someone else in the program folder is never
// mixed in, and what killed runs left there is cleared first.
TEST(BackupRun, StagesInItsOwnFolderAndClearsWhatKilledRunsLeft) {
    ItemFixture f;
    const fs::path home = f.platform.env.programFolder;
    writeFile(f.store() / "Alpha" / "1.eml", "alpha");
    writeFile(f.stationery() / "paper.htm", "<html>");
    writeFile(home / "oebackup.dat", "BackupItem=11111111111\r\n");  // staged by opening a backup elsewhere
    writeFile(home / "folder-archives-Ab12Cd" / "0" / "Old.zip", std::string(100000, 'o'));
    writeFile(home / "OBR7F.tmp", "a killed run's export");
    writeFile(f.archivePath(), "last week");
    fs::permissions(f.archivePath(), fs::perms::owner_read | fs::perms::owner_write);
    const std::string halfWritten = f.archivePath() + ".tmp-999999999-0-1";  // of a writer long gone
    writeFile(halfWritten, "half a backup");
    std::vector<std::string> stagedAt;
    BackupEvents events{[&](const std::string&) {
                            for (const auto& name : testing_support::namesIn(home)) stagedAt.push_back(name);
                        },
                        {}};
    auto outcome = RunBackupItems(f.ctx, requestFor(f, {items::kMailAccounts, items::kStationeries}), kManualRunTexts,
                                  OperationLog::of(f.platform.env), events);
    ASSERT_TRUE(outcome.archiveWritten) << outcome.archiveError;
    std::sort(stagedAt.begin(), stagedAt.end());
    stagedAt.erase(std::unique(stagedAt.begin(), stagedAt.end()), stagedAt.end());
    const auto runFolder = std::find_if(stagedAt.begin(), stagedAt.end(), IsRunFolderName);
    ASSERT_NE(runFolder, stagedAt.end());
    const std::string ownFolder = *runFolder;
    stagedAt.erase(runFolder);
    EXPECT_EQ(stagedAt, (std::vector<std::string>{"brlog.dat", "oebackup.dat", "run.lock"}));
    EXPECT_EQ(readFile(home / "oebackup.dat"), "BackupItem=11111111111\r\n");
    EXPECT_FALSE(fs::exists(home / "folder-archives-Ab12Cd"));
    EXPECT_FALSE(fs::exists(home / "OBR7F.tmp"));
    EXPECT_FALSE(fs::exists(home / ownFolder));
    EXPECT_FALSE(fs::exists(halfWritten));

    ASSERT_TRUE(f.Zip1.openArchive(f.archivePath()));
    ASSERT_TRUE(f.Zip1.extractMember(*f.Zip1.findMember("oebackup.dat"), (f.dir / "check").string()));
    EXPECT_NE(readFile(f.dir / "check" / "oebackup.dat").find("BackupItem=10000000100\r\n"), std::string::npos);
#ifndef _WIN32
    // The new backup keeps the permissions of the one it replaced.
    EXPECT_EQ(fs::status(f.archivePath()).permissions(), fs::perms::owner_read | fs::perms::owner_write);
#endif
}

TEST(BackupRun, ASecondRunAtOnceWritesNothingAndSaysWhy) {
    ItemFixture f;
    writeFile(f.stationery() / "paper.htm", "<html>");
    writeFile(f.archivePath(), "the earlier backup");
    items::ItemContext other(f.platform.env, f.registry, f.Zip1, f.Zip2);
    ExclusiveRun first(other, std::chrono::milliseconds(0));
    ASSERT_TRUE(first.held());
    auto request = requestFor(f, {items::kStationeries});
    request.programFolderWait = std::chrono::milliseconds(100);
    auto outcome = RunBackupItems(f.ctx, request, kAutoRunTexts, OperationLog::of(f.platform.env), {});
    EXPECT_FALSE(outcome.archiveWritten);
    EXPECT_FALSE(outcome.allSucceeded);
    EXPECT_EQ(readFile(f.archivePath()), "the earlier backup");
    const std::string why = "another backup or restore holds the program folder " + f.platform.env.programFolder;
    EXPECT_EQ(CompletionMessage(outcome, f.archivePath()),
              "The Backup File could not be written:\r\n" + f.archivePath() + "\r\n\r\n" + why);
    const auto lines = LoadLogList(OperationLog::of(f.platform.env).path());
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_TRUE(platform::endsWith(lines[3], " Backup File " + f.archivePath() + " was not written: " + why)) << lines[3];
}

// A new backup takes the place of an earlier one only once every member,
// and every folder archive in it, has been read back whole.
TEST(BackupRun, ABackupThatDoesNotReadBackWholeNeverReplacesTheEarlierOne) {
    ItemFixture f;
    writeFile(f.store() / "Alpha" / "1.eml", noise(200000, 1));
    writeFile(f.stationery() / "paper.htm", noise(200000, 2));
    writeFile(f.archivePath(), "the earlier backup");
    const auto log = OperationLog::of(f.platform.env);

    // A folder archive, packed straight into the new file, damaged on its way to the disk.
    const std::string target = f.archivePath();
    bool packedDamaged = false;
    f.Zip1.setNotifications(damageOnceAtReadBack(target, packedDamaged, [](std::string& bytes) {
        const std::size_t message = bytes.find("1.eml");
        ASSERT_NE(message, std::string::npos);
        bytes[message + 100] ^= 0x55;
    }));
    auto outcome = RunBackupItems(f.ctx, requestFor(f, {items::kMailAccounts, items::kStationeries}), kManualRunTexts,
                                  log, {});
    EXPECT_TRUE(packedDamaged);
    EXPECT_FALSE(outcome.archiveWritten);
    EXPECT_EQ(outcome.archiveError.rfind("the new archive did not read back whole: \"Alpha.zip\": ", 0), 0u)
        << outcome.archiveError;
    EXPECT_EQ(readFile(f.archivePath()), "the earlier backup");
    EXPECT_EQ(temporariesBeside(f.archivePath()), std::vector<fs::path>{});
    EXPECT_NE(CompletionMessage(outcome, f.archivePath()).find(outcome.archiveError), std::string::npos);
    EXPECT_NE(LoadLogList(log.path()).rbegin()[1].find(" was not written: the new archive did not read back whole"),
              std::string::npos);

    // The time in a local header of the folder archive: nothing but the
    // stored member's own CRC covers it.
    bool timeDamaged = false;
    f.Zip1.setNotifications(damageOnceAtReadBack(target, timeDamaged, [](std::string& bytes) {
        const std::size_t inner = bytes.find("PK\x03\x04", 1);
        ASSERT_NE(inner, std::string::npos);
        bytes[inner + 10] ^= 0x01;
    }));
    outcome = RunBackupItems(f.ctx, requestFor(f, {items::kMailAccounts}), kManualRunTexts, log, {});
    EXPECT_TRUE(timeDamaged);
    EXPECT_EQ(outcome.archiveError, "the new archive did not read back whole: \"Alpha.zip\": the member is damaged: CRC error");
    EXPECT_EQ(readFile(f.archivePath()), "the earlier backup");

    // A protected backup damaged on its way to the disk: its authentication fails.
    bool damaged = false;
    f.Zip1.setNotifications(
        damageOnceAtReadBack(target, damaged, [](std::string& bytes) { bytes[bytes.size() / 2] ^= 0x55; }));
    auto request = requestFor(f, {items::kStationeries});
    request.protect = true;
    request.password = "s3cret";
    outcome = RunBackupItems(f.ctx, request, kManualRunTexts, log, {});
    EXPECT_TRUE(damaged);
    EXPECT_FALSE(outcome.archiveWritten);
    EXPECT_EQ(outcome.archiveError.rfind("the new archive did not read back whole: \"paper.htm\": ", 0), 0u)
        << outcome.archiveError;
    EXPECT_EQ(readFile(f.archivePath()), "the earlier backup");
    EXPECT_EQ(temporariesBeside(f.archivePath()), std::vector<fs::path>{});

    // Undamaged, the same backup replaces the earlier one.
    f.Zip1.setNotifications({});
    outcome = RunBackupItems(f.ctx, request, kManualRunTexts, log, {});
    EXPECT_TRUE(outcome.archiveWritten) << outcome.archiveError;
    EXPECT_NE(readFile(f.archivePath()), "the earlier backup");
}

#include <gtest/gtest.h>

#include "app/OperationTime.h"
#include "backup/BackupRun.h"
#include "backup/InformationRecord.h"
#include "items/ItemFixture.h"

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
    PinnedClock() { app::PinCurrentDateTimeForTests(QDateTime(QDate(2026, 12, 5), QTime(21, 30, 5))); }
    ~PinnedClock() { app::PinCurrentDateTimeForTests(QDateTime()); }
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
    // Only the record and the log remain in the program folder.
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(f.platform.env.programFolder)) left.push_back(e.path().filename());
    EXPECT_EQ(left, (std::vector<std::string>{"brlog.dat"}));
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

TEST(BackupRun, AFolderThatCannotBePackedFailsItsItemSayingWhy) {
    PinnedClock clock;
    ItemFixture f;
    writeFile(f.store() / "Hotmail" / "Inbox" / "{1}.eml", "mail");
    // The program folder cannot take the folder archives.
    writeFile(f.dir / "not-a-folder", "x");
    f.platform.env.programFolder = (f.dir / "not-a-folder" / "app").string();
    auto request = requestFor(f, {items::kMailAccounts});
    auto outcome = RunBackupItems(f.ctx, request, kManualRunTexts, OperationLog::of(f.platform.env), {});
    EXPECT_FALSE(outcome.allSucceeded);
    EXPECT_NE(f.ctx.failure.find("no private folder could be made in " + f.platform.env.programFolder),
              std::string::npos) << f.ctx.failure;
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

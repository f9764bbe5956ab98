#include <gtest/gtest.h>

#include "session/MainSession.h"
#include "backup/InformationRecord.h"
#include "backup/ZipComponent.h"
#include "restore/Inspection.h"
#include "support/TestEnvironment.h"

using namespace restore;
using testing_support::TempDir;
using testing_support::TestPlatform;
using testing_support::writeFile;
namespace fs = std::filesystem;

namespace {

struct Fixture {
    TempDir dir;
    TestPlatform platform{dir.path()};
    session::MainSession session{platform.services, ""};
    RestoreState state;

    // A backup holding `record` as its information record (none when empty).
    std::string backupWith(const std::string& record, const std::string& password = "") {
        const std::string archive = (dir / ("b" + std::to_string(count++) + ".wlm")).string();
        const fs::path staging = dir / "staging" / "oebackup.dat";
        writeFile(staging, record);
        writeFile(dir / "staging" / "OBR1.tmp", "\\\r\n");
        backup::ZipComponent zip;
        EXPECT_TRUE(zip.newArchive(archive));
        zip.addFiles((dir / "staging" / "OBR1.tmp").string(), 1);
        if (!record.empty()) zip.addFiles(staging.string(), 1);
        zip.setPassword(password);
        zip.setProtection(password.empty() ? 0 : 1);
        EXPECT_TRUE(zip.writeArchive());
        return archive;
    }
    int count = 0;
};

const std::string kRecord =
    "BackupComputer=\r\nBackupLogonUser=owner\r\nBackupTime=12/5/2026 9:30:05 PM\r\n"
    "BackupInformation=firstPS$OEBsecond\r\nBackupmailaccountsandmessages=Alpha.zip;Beta.zip\r\n"
    "BackupnewsRules=OBR1.tmp\r\nBackupCalendars=Home.zip\r\n";

}  // namespace

TEST(Inspection, ReadsTheRecordAndFindsTheItemsItHolds) {
    Fixture f;
    auto result = InspectBackupFile(f.session, f.state, f.backupWith(kRecord + "BackupItem=  10010000001 \r\n"));
    ASSERT_EQ(result.outcome, InspectionOutcome::Valid);
    EXPECT_TRUE(f.platform.dialogs.messages.empty());
    EXPECT_EQ(result.POBinfo, "Computer:\r\nUser:owner\r\nDate:12/5/2026 9:30:05 PM");
    EXPECT_EQ(result.FileInfo, "first\r\nsecond");
    EXPECT_EQ(f.state.RestoreItemFlags, "10010000001");
    EXPECT_FALSE(f.state.InvalidBackupFile);
    std::array<bool, 11> expected{};
    expected[0] = expected[3] = expected[10] = true;
    EXPECT_EQ(result.present, expected);
    EXPECT_EQ(f.session.items.RestoreItemMembers[0], "Alpha.zip;Beta.zip");
    EXPECT_EQ(f.session.items.RestoreItemMembers[3], "OBR1.tmp");  // asked as "BackupNewsRules"
    EXPECT_TRUE(fs::exists(f.session.InfoRecordPath));
    EXPECT_TRUE(f.session.Zip1.findMember("OBR1.tmp"));  // the archive stays open for the restore
}

TEST(Inspection, FlagsOfAnyOtherLengthOrNoRecordAreInvalid) {
    for (const std::string flags : {"1001000000", "100100000011", ""}) {
        Fixture f;
        auto result = InspectBackupFile(f.session, f.state, f.backupWith(kRecord + "BackupItem=" + flags + "\r\n"));
        EXPECT_EQ(result.outcome, InspectionOutcome::Invalid) << flags;
        ASSERT_EQ(f.platform.dialogs.messages.size(), 1u);
        EXPECT_EQ(f.platform.dialogs.messages[0].text, "Invalid backup file");
        EXPECT_EQ(f.platform.dialogs.messages[0].icon, platform::Icon::Critical);
        EXPECT_TRUE(f.state.InvalidBackupFile);
    }
    // A stale record in the program folder never stands in for a missing one.
    Fixture f;
    writeFile(f.platform.env.programFile("oebackup.dat"), kRecord + "BackupItem=11111111111\r\n");
    EXPECT_EQ(InspectBackupFile(f.session, f.state, f.backupWith("")).outcome, InspectionOutcome::Invalid);
    // Not an archive, or a cut-off one: the same message, nothing extracted.
    writeFile(f.dir / "junk.wlm", "not a zip");
    EXPECT_EQ(InspectBackupFile(f.session, f.state, (f.dir / "junk.wlm").string()).outcome, InspectionOutcome::Invalid);
    EXPECT_FALSE(fs::exists(f.session.InfoRecordPath));
    std::string whole = testing_support::readFile(f.backupWith(kRecord + "BackupItem=11111111111\r\n"));
    writeFile(f.dir / "cut.wlm", whole.substr(0, whole.size() - 30));
    EXPECT_EQ(InspectBackupFile(f.session, f.state, (f.dir / "cut.wlm").string()).outcome, InspectionOutcome::Invalid);
    EXPECT_EQ(f.platform.dialogs.messages.back().text, "Invalid backup file");
}

TEST(Inspection, AProtectedBackupNeedsItsPassword) {
    Fixture f;
    const std::string archive = f.backupWith(kRecord + "BackupItem=10000000000\r\n", "letmein");
    // Cancelled password window: the earlier (empty) password does not fit.
    auto cancelled = InspectBackupFile(f.session, f.state, archive);
    EXPECT_EQ(cancelled.outcome, InspectionOutcome::WrongPassword);
    ASSERT_EQ(f.platform.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.platform.dialogs.messages[0].text, "Incorect Password or Invalid backup file");
    EXPECT_EQ(f.platform.dialogs.messages[0].icon, platform::Icon::Information);
    EXPECT_FALSE(fs::exists(f.session.InfoRecordPath));

    f.platform.dialogs.passwords.push_back(std::string("wrong"));
    EXPECT_EQ(InspectBackupFile(f.session, f.state, archive).outcome, InspectionOutcome::WrongPassword);
    f.platform.dialogs.passwords.push_back(std::string("letmein"));
    EXPECT_EQ(InspectBackupFile(f.session, f.state, archive).outcome, InspectionOutcome::Valid);
    EXPECT_EQ(f.state.RestorePassword, "letmein");
    // Cancelled again: the password confirmed before still fits.
    EXPECT_EQ(InspectBackupFile(f.session, f.state, archive).outcome, InspectionOutcome::Valid);
}

TEST(Inspection, ARecordOfMoreThanAFewMegabytesIsNoRecordAndIsNotRead) {
    Fixture f;
    // Read whole, these lines would make a valid record.
    std::string record = kRecord + "BackupItem=10010000001\r\n";
    while (record.size() <= backup::kInfoRecordLimit) record += "Padding=" + std::string(1000, 'p') + "\r\n";
    auto result = InspectBackupFile(f.session, f.state, f.backupWith(record));
    EXPECT_EQ(result.outcome, InspectionOutcome::Invalid);
    ASSERT_EQ(f.platform.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.platform.dialogs.messages[0].text, "Invalid backup file");
    EXPECT_TRUE(f.state.InvalidBackupFile);
    EXPECT_FALSE(fs::exists(f.session.InfoRecordPath));

    // Up to the limit a record still reads.
    record.resize(backup::kInfoRecordLimit - 2);
    record.resize(record.rfind("\r\n") + 2);
    EXPECT_EQ(InspectBackupFile(f.session, f.state, f.backupWith(record)).outcome, InspectionOutcome::Valid);
    EXPECT_EQ(fs::file_size(f.session.InfoRecordPath), record.size());
}

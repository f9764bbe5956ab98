#include <gtest/gtest.h>

#include "backup/InformationRecord.h"
#include "support/TestSupport.h"

using namespace backup;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

TEST(InformationRecord, AppendsCrLfLinesInCodePage1252) {
    TempDir dir;
    const auto record = (dir / "oebackup.dat").string();
    ASSERT_TRUE(SaveINI("BackupComputer", "DESKTOP-01", record));
    ASSERT_TRUE(SaveINI("BackupInformation", EncodeDescription("first\r\nsecond a=b \xC3\xA9"), record));
    ASSERT_TRUE(SaveINI("BackupmailRules", std::string("OBR1A2B.tmp") + '\0', record));
    ASSERT_TRUE(SaveINI("BackupComputer", "again", record));
    EXPECT_EQ(readFile(record),
              std::string("BackupComputer=DESKTOP-01\r\nBackupInformation=firstPS$OEBsecond a=b \xE9\r\n"
                          "BackupmailRules=OBR1A2B.tmp") + '\0' + "\r\nBackupComputer=again\r\n");
    EXPECT_FALSE(SaveINI("x", "y", (dir / "missing" / "oebackup.dat").string()));

    EXPECT_EQ(GetINI("backupcomputer", record), "DESKTOP-01");  // first of two, any case
    EXPECT_EQ(DecodeDescription(*GetINI("BACKUPINFORMATION", record)), "first\r\nsecond a=b \xC3\xA9");
    EXPECT_EQ(GetINI("BackupmailRules", record), "OBR1A2B.tmp");  // trailing NUL dropped
    EXPECT_EQ(GetINI("BackupItem", record), "");
    EXPECT_FALSE(GetINI("BackupItem", (dir / "none.dat").string()));
}

TEST(InformationRecord, TheScanStopsAtTheFirstEmptyLineAndSkipsLinesWithoutEquals) {
    TempDir dir;
    const auto record = dir / "oebackup.dat";
    writeFile(record, "no equals here\r\nBackupTime=1/2/2026 3:04:05 PM\r\n\r\nBackupItem=11111111111\r\n");
    EXPECT_EQ(GetINI("BackupTime", record.string()), "1/2/2026 3:04:05 PM");
    EXPECT_EQ(GetINI("BackupItem", record.string()), "");
    writeFile(record, "\r\nBackupItem=1\r\n");
    EXPECT_EQ(GetINI("BackupItem", record.string()), "");
    EXPECT_EQ(DecodeDescription("aPS$OEBbPS$OEB"), "a\r\nb\r\n");
}

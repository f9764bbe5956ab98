#include <gtest/gtest.h>

#include <filesystem>

#include "config/SettingsFile.h"
#include "support/TestEnvironment.h"

using namespace config;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

struct SettingsFileTest : ::testing::Test {
    TempDir dir;
    std::string file = (dir / "settings.dat").string();
};

// The order in which the settings window saves its keys.
void saveLikeTheSettingsWindow(const std::string& file, const std::string& folder, const char* flag) {
    config::WriteSetting(file, "Backup", "backupfolder", folder);
    for (const char* key : {"startonwindows", "checkbackupfile", "runliveafterbackup", "runliveafterrestore", "burndvd"})
        config::WriteSetting(file, "General", key, flag);
    for (const char* key : {"autocloselive", "openfolderbackup", "automgeneratefile"})
        config::WriteSetting(file, "backup", key, flag);
    config::WriteSetting(file, "autobackup", "autobackupfile", "1");
}

}  // namespace

TEST_F(SettingsFileTest, FromScratchLayoutAndInPlaceReplacement) {
    saveLikeTheSettingsWindow(file, "D:\\Backups", "1");
    const std::string expected =
        "[Backup]\r\nbackupfolder=D:\\Backups\r\nautocloselive=1\r\nopenfolderbackup=1\r\nautomgeneratefile=1\r\n"
        "[General]\r\nstartonwindows=1\r\ncheckbackupfile=1\r\nrunliveafterbackup=1\r\nrunliveafterrestore=1\r\n"
        "burndvd=1\r\n[autobackup]\r\nautobackupfile=1\r\n";
    EXPECT_EQ(readFile(file), expected);

    // A second save replaces each value where it stands.
    saveLikeTheSettingsWindow(file, "E:\\Other", "0");
    EXPECT_EQ(readFile(file),
              "[Backup]\r\nbackupfolder=E:\\Other\r\nautocloselive=0\r\nopenfolderbackup=0\r\nautomgeneratefile=0\r\n"
              "[General]\r\nstartonwindows=0\r\ncheckbackupfile=0\r\nrunliveafterbackup=0\r\nrunliveafterrestore=0\r\n"
              "burndvd=0\r\n[autobackup]\r\nautobackupfile=1\r\n");
    EXPECT_EQ(config::ReadSetting(file, "BACKUP", "AutoCloseLive"), "0");
    EXPECT_EQ(config::ReadSetting(file, "autobackup", "autobackupfile"), "1");
}

TEST_F(SettingsFileTest, ReadingRules) {
    writeFile(file,
              "[General]\r\n burndvd =  1  \r\n\r\n[Backup]\r\nbackupfolder=C:\\A=B\r\n"
              "[Long]\r\nvalue=" + std::string(200, 'x') + "\r\n");
    EXPECT_EQ(config::ReadSetting(file, "general", "BURNDVD"), "1");
    EXPECT_EQ(config::ReadSetting(file, "Backup", "backupfolder"), "C:\\A=B");  // value after the first "="
    EXPECT_EQ(config::ReadSetting(file, "Long", "value"), std::string(127, 'x'));
    EXPECT_EQ(config::ReadSetting(file, "General", "missing"), "");
    EXPECT_EQ(config::ReadSetting(file, "Nowhere", "burndvd"), "");
    EXPECT_EQ(config::ReadSetting((dir / "absent.dat").string(), "General", "burndvd"), "");
    // A file that cannot be read at all reads as absent keys.
    std::filesystem::create_directory(dir / "folder.dat");
    EXPECT_EQ(config::ReadSetting((dir / "folder.dat").string(), "General", "burndvd"), "");
}

TEST_F(SettingsFileTest, WritingRules) {
    writeFile(file, "; kept comment\r\n[Backup]\r\nbackupfolder=C:\\x\r\n\r\n[General]\r\nburndvd=1\r\n");
    // A new key goes at the end of its section, before the blank separator.
    config::WriteSetting(file, "backup", "autocloselive", "0");
    config::WriteSetting(file, "General", "startonwindows", std::string(300, 'v'));
    EXPECT_EQ(readFile(file),
              "; kept comment\r\n[Backup]\r\nbackupfolder=C:\\x\r\nautocloselive=0\r\n\r\n[General]\r\nburndvd=1\r\n"
              "startonwindows=" + std::string(128, 'v') + "\r\n");
    // Text outside ASCII is stored in code page 1252.
    config::WriteSetting(file, "Backup", "backupfolder", "C:\\Müller");
    EXPECT_NE(readFile(file).find("backupfolder=C:\\M\xFCller\r\n"), std::string::npos);
    EXPECT_EQ(config::ReadSetting(file, "Backup", "backupfolder"), "C:\\Müller");
    // The limits count characters, not the bytes of their UTF-8 form.
    const std::string folder = "C:\\" + std::string(120, 'u') + "ü" + std::string(20, 'x');
    config::WriteSetting(file, "Backup", "backupfolder", folder);
    EXPECT_NE(readFile(file).find("backupfolder=C:\\" + std::string(120, 'u') + "\xFC" + std::string(4, 'x') + "\r\n"),
              std::string::npos);
    EXPECT_EQ(config::ReadSetting(file, "Backup", "backupfolder"), "C:\\" + std::string(120, 'u') + "ü" + std::string(3, 'x'));
}

TEST(SettingComparison, NumbersMatchOnlyTheirValueOtherTextAlwaysMatches) {
    EXPECT_TRUE(config::SettingMatches("1", 1));
    EXPECT_FALSE(config::SettingMatches("0", 1));
    EXPECT_FALSE(config::SettingMatches("2", 1));
    EXPECT_TRUE(config::SettingMatches("", 1));
    EXPECT_TRUE(config::SettingMatches("yes", 1));
    EXPECT_TRUE(config::SettingMatches("0", 0));
    EXPECT_FALSE(config::SettingMatches("1", 0));
    EXPECT_TRUE(config::SettingMatches("", 0));
    // Not numbers a user writes: they match like any other text.
    for (const char* text : {"nan", "inf", "-inf", "infinity", "NaN"}) {
        EXPECT_TRUE(config::SettingMatches(text, 1)) << text;
        EXPECT_TRUE(config::SettingMatches(text, 0)) << text;
    }
}

TEST(SettingFlags, AbsentFileMeansEveryFlagOn) {
    TempDir dir;
    auto env = testing_support::makeEnvironment(dir.path());
    EXPECT_TRUE(config::SettingIsOn(env, "General", "burndvd"));
    config::WriteSetting(config::SettingsPath(env), "General", "burndvd", "0");
    EXPECT_FALSE(config::SettingIsOn(env, "general", "burndvd"));
    EXPECT_TRUE(config::SettingIsOn(env, "general", "runliveafterbackup"));
}

TEST(BackupFolder, ResolvesToTheProgramFolderUnlessTheStoredFolderExists) {
    TempDir dir;
    auto env = testing_support::makeEnvironment(dir.path());
    EXPECT_EQ(config::ResolveBackupFolder(env), env.programFolder);
    config::WriteSetting(config::SettingsPath(env), "Backup", "backupfolder", (dir / "gone").string());
    EXPECT_EQ(config::ResolveBackupFolder(env), env.programFolder);
    std::filesystem::create_directory(dir / "kept");
    config::WriteSetting(config::SettingsPath(env), "Backup", "backupfolder", (dir / "kept").string() + "/");
    EXPECT_EQ(config::ResolveBackupFolder(env), (dir / "kept").string());
}

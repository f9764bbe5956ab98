#include <gtest/gtest.h>

#include <filesystem>

#include "config/SettingsFile.h"
#include "backup/FileNaming.h"
#include "platform/HostPath.h"
#include "support/TestEnvironment.h"

using namespace backup;
namespace fs = std::filesystem;

TEST(FileNaming, ProposedNameFollowsTheSettings) {
    testing_support::TempDir dir;
    auto env = testing_support::makeEnvironment(dir.path());
    const auto day = config::DateTime::fromLocalFields({2026, 12, 5});
    const std::string inProgramFolder = platform::joinHostPath(env.programFolder, "livemailback-user1-12-05-2026.wlm");
    EXPECT_EQ(ProposedTargetFile(env, "user1", day), inProgramFolder);

    fs::create_directory(dir / "Backups");
    config::WriteSetting(config::SettingsPath(env), "backup", "backupfolder", (dir / "Backups").string() + "/");
    EXPECT_EQ(ProposedTargetFile(env, "user1", day), (dir / "Backups" / "livemailback-user1-12-05-2026.wlm").string());

    config::WriteSetting(config::SettingsPath(env), "backup", "backupfolder", (dir / "Missing").string());
    EXPECT_EQ(ProposedTargetFile(env, "user1", day), inProgramFolder);

    config::WriteSetting(config::SettingsPath(env), "backup", "automgeneratefile", "0");
    EXPECT_FALSE(ProposedTargetFile(env, "user1", day));
}

TEST(FileNaming, SaveDialogRequestAndCancel) {
    testing_support::TempDir dir;
    auto env = testing_support::makeEnvironment(dir.path());
    platform::ScriptedDialogs dialogs;
    EXPECT_FALSE(ChooseTargetFile(dialogs, env, config::DateTime::fromLocalFields({2026, 1, 9})));
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileRequests[0].title, "Save Windows Mail Data as");
    EXPECT_EQ(dialogs.fileRequests[0].filter, "Zorva Windows Live Mail Backup File (*.wlm)|*.wlm");
    EXPECT_EQ(dialogs.fileRequests[0].fileName, "tarnhold-01-09-2026");
    EXPECT_TRUE(dialogs.fileRequests[0].confirmOverwrite);
    EXPECT_EQ(dialogs.fileRequests[0].folder, env.programFolder);  // the settings' folder, resolved
    dialogs.files.push_back(std::string("/tmp/chosen.wlm"));
    EXPECT_EQ(ChooseTargetFile(dialogs, env, config::DateTime::fromLocalFields({2026, 1, 9})), "/tmp/chosen.wlm");
    SKIP_ON_WINDOWS("the drive mapping of a prefix");
    // A backup folder in Windows form: the dialog starts in its host folder.
    fs::create_directories(dir / "prefix" / "drive_c" / "Backups");
    config::WriteSetting(config::SettingsPath(env), "backup", "backupfolder", "C:\\Backups");
    ChooseTargetFile(dialogs, env, config::DateTime::fromLocalFields({2026, 1, 9}));
    EXPECT_EQ(dialogs.fileRequests.back().folder, (dir / "prefix" / "drive_c" / "Backups").string());
}

TEST(FileNaming, TempFilesAreNewEmptyUniqueAndEndWithNul) {
    testing_support::TempDir dir;
    auto env = testing_support::makeEnvironment(dir.path());
    std::string a = sGetTempFile(env.programFolder, "OBR");
    std::string b = sGetTempFile(env.programFolder, "OBR");
    ASSERT_FALSE(a.empty());
    ASSERT_EQ(a.back(), '\0');
    a.pop_back();
    b.pop_back();
    EXPECT_NE(a, b);
    for (const auto& p : {a, b}) {
        EXPECT_TRUE(fs::exists(p));
        EXPECT_EQ(fs::file_size(p), 0u);
        EXPECT_EQ(fs::path(p).parent_path(), fs::path(env.programFolder));
        EXPECT_EQ(fs::path(p).filename().string().substr(0, 3), "OBR");
        EXPECT_EQ(fs::path(p).extension(), ".tmp");
        EXPECT_TRUE(IsTempFileName(fs::path(p).filename().string()));
    }
    EXPECT_EQ(sGetTempFile((dir / "missing").string(), "OBS"), "");
    for (const char* name : {"OBR1.tmp", "OBSFFFF.tmp", "OBR00A9.tmp"}) EXPECT_TRUE(IsTempFileName(name)) << name;
    for (const char* name : {"OBR.tmp", "OBR12345.tmp", "OBRxyz.tmp", "OBR12.txt", "ABR12.tmp", "OBr12.tmp", "notes.tmp"}) {
        EXPECT_FALSE(IsTempFileName(name)) << name;
    }
}

TEST(FileNaming, ABackupFolderInWindowsFormStaysInThatFormAndIsMappedWhereTheFileIsWritten) {
    SKIP_ON_WINDOWS("the drive mapping of a prefix");
    testing_support::TempDir dir;
    auto env = testing_support::makeEnvironment(dir.path());
    fs::create_directories(dir / "prefix" / "drive_c" / "users" / "me" / "Backups");
    config::WriteSetting(config::SettingsPath(env), "backup", "backupfolder", "C:\\users\\me\\Backups");
    const auto proposed = ProposedTargetFile(env, "me", config::DateTime::fromLocalFields({2026, 12, 5}));
    ASSERT_TRUE(proposed);
    EXPECT_EQ(*proposed, "C:\\users\\me\\Backups\\livemailback-me-12-05-2026.wlm");
    EXPECT_EQ(env.hostPath(*proposed),
              (dir / "prefix" / "drive_c" / "users" / "me" / "Backups" / "livemailback-me-12-05-2026.wlm").string());
}

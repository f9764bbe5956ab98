#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/Environment.h"
#include "support/TestSupport.h"

using platform::Environment;
using testing_support::ScopedEnv;
using testing_support::TempDir;

TEST(EnvironmentHostPath, MapsDrivesThroughDosdevicesWithTheDriveCFallback) {
    TempDir dir;
    Environment env;
    env.winePrefix = dir.str();
    // No dosdevices link yet: C: falls back to drive_c, other drives do not.
    EXPECT_EQ(env.hostPath("C:\\users\\owner\\AppData"), dir.str() + "/drive_c/users/owner/AppData");
    EXPECT_EQ(env.hostPath("c:\\x"), dir.str() + "/drive_c/x");
    EXPECT_EQ(env.hostPath("D:\\disc\\a.wlm"), dir.str() + "/dosdevices/d:/disc/a.wlm");
    EXPECT_EQ(env.hostPath("C:\\"), dir.str() + "/drive_c");
    EXPECT_EQ(env.hostPath("C:"), dir.str() + "/drive_c");

    std::filesystem::create_directories(dir / "dosdevices");
    std::filesystem::create_directories(dir / "drive_c");
    std::filesystem::create_directory_symlink("../drive_c", dir / "dosdevices" / "c:");
    EXPECT_EQ(env.hostPath("C:\\users"), dir.str() + "/dosdevices/c:/users");

    // Host paths pass through, with backslashes turned to slashes.
    EXPECT_EQ(env.hostPath("/home/owner/backups/x.wlm"), "/home/owner/backups/x.wlm");
    EXPECT_EQ(env.hostPath("relative\\name.dat"), "relative/name.dat");

    env.programFolder = "/opt/tarnhold/";
    EXPECT_EQ(env.programFile("settings.dat"), "/opt/tarnhold/settings.dat");
    env.programFolder = "/opt/tarnhold";
    EXPECT_EQ(env.programFile("settings.dat"), "/opt/tarnhold/settings.dat");
}

TEST(EnvironmentFromProcess, HonoursTheVariablesAndFallsBackSensibly) {
    TempDir dir;
    const std::string home = (dir / "program").string();
    {
        ScopedEnv prefix("WINEPREFIX", (dir / "pfx").c_str());
        ScopedEnv program("TARNHOLD_HOME", home.c_str());
        ScopedEnv profile("USERPROFILE", "C:\\users\\someone");
        Environment env = Environment::fromProcess((dir / "bin").string());
        EXPECT_EQ(env.winePrefix, (dir / "pfx").string());
        EXPECT_EQ(env.programFolder, home);
        EXPECT_TRUE(std::filesystem::is_directory(home));  // created on first use
        EXPECT_EQ(env.executableFolder, (dir / "bin").string());
        EXPECT_EQ(env.resourceFolder, (dir / "share" / "tarnhold").string());  // no help/ beside it
        EXPECT_EQ(env.userProfile, "C:\\users\\someone");
        EXPECT_FALSE(env.userName.empty());
        EXPECT_FALSE(env.computerName.empty());
    }
    {
        ScopedEnv prefix("WINEPREFIX", nullptr);
        ScopedEnv homeVar("HOME", dir.str().c_str());
        ScopedEnv program("TARNHOLD_HOME", nullptr);
        ScopedEnv profile("USERPROFILE", nullptr);
        ScopedEnv data("XDG_DATA_HOME", (dir / "data").c_str());
        // A folder that cannot be written is not the program folder.
        std::filesystem::create_directories(dir / "ro" / "help");
        std::filesystem::permissions(dir / "ro", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        Environment env = Environment::fromProcess((dir / "ro").string());
        std::filesystem::permissions(dir / "ro", std::filesystem::perms::owner_all);
        EXPECT_EQ(env.winePrefix, dir.str() + "/.wine");
        EXPECT_EQ(env.userProfile, "");  // resolved from the prefix later
        if (geteuid() != 0) {
            EXPECT_EQ(env.programFolder, (dir / "data" / "tarnhold").string());
        }

        // A writable folder holding the program's own files (a build tree) is.
        std::filesystem::create_directories(dir / "help");
        Environment writable = Environment::fromProcess(dir.str());
        EXPECT_EQ(writable.programFolder, dir.str());

        // An installed executable's bin/ is not, even where it can be written
        // (root may write /usr/bin).
        std::filesystem::create_directories(dir / "usr" / "bin");
        Environment installed = Environment::fromProcess((dir / "usr" / "bin").string());
        EXPECT_EQ(installed.programFolder, (dir / "data" / "tarnhold").string());
        EXPECT_TRUE(std::filesystem::is_directory(installed.programFolder));
    }
}

TEST(EnvironmentFromProcess, FindsHelpAndSkinsBesideTheExecutableOfABuildTree) {
    TempDir dir;
    const auto build = dir / "build" / "src";
    std::filesystem::create_directories(build / "help");
    std::filesystem::create_directories(dir / "build" / "share" / "tarnhold" / "help");  // never preferred
    ScopedEnv program("TARNHOLD_HOME", (dir / "home").c_str());
    Environment env = Environment::fromProcess(build.string());
    EXPECT_EQ(env.executableFolder, build.string());
    EXPECT_EQ(env.resourceFolder, build.string());
}

TEST(EnvironmentFromProcess, FindsHelpAndSkinsInTheShareFolderOfAnInstallation) {
    TempDir dir;
    const auto bin = dir / "usr" / "bin";
    std::filesystem::create_directories(bin / "skins");  // skins alone do not make a build tree
    std::filesystem::create_directories(dir / "usr" / "share" / "tarnhold" / "help");
    ScopedEnv program("TARNHOLD_HOME", (dir / "home").c_str());
    const std::string installed = (dir / "usr" / "share" / "tarnhold").string();

    Environment env = Environment::fromProcess(bin.string());
    EXPECT_EQ(env.executableFolder, bin.string());
    EXPECT_EQ(env.resourceFolder, installed);
    EXPECT_EQ(Environment::fromProcess(bin.string() + "/").resourceFolder, installed);
    // The program folder is not where the resources are.
    EXPECT_EQ(env.programFolder, (dir / "home").string());
}

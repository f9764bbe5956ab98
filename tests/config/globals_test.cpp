#include <gtest/gtest.h>

#include <filesystem>

#include "config/Globals.h"
#include "support/TestSupport.h"

using namespace config;

TEST(ExpandUserProfile, ReplacesTheTokenAndWhatPrecedesIt) {
    const std::string profile = "C:\\users\\owner";
    EXPECT_EQ(config::ExpandUserProfile("%USERPROFILE%\\AppData\\Local", profile), "C:\\users\\owner\\AppData\\Local");
    EXPECT_EQ(config::ExpandUserProfile("C:\\Data", profile), "C:\\Data");
    EXPECT_EQ(config::ExpandUserProfile("x%USERPROFILE%\\Documents", profile), "C:\\users\\owner\\Documents");
    EXPECT_EQ(config::ExpandUserProfile("%userprofile%\\Documents", profile), "%userprofile%\\Documents");  // case-sensitive
}

TEST(AppendTextLine, CreatesTheFileAndEndsEachLineWithCrLf) {
    testing_support::TempDir dir;
    auto log = (dir / "brlog.dat").string();
    EXPECT_TRUE(config::AppendTextLine(log, "first\r"));
    EXPECT_TRUE(config::AppendTextLine(log, "second\n"));
    EXPECT_EQ(testing_support::readFile(log), "first\r\r\nsecond\n\r\n");
    EXPECT_FALSE(config::AppendTextLine((dir / "no-such-folder" / "x.dat").string(), "lost"));
}

TEST(ResourcePaths, TheBuiltWindowFindsItsHelpAndSkinBesideIt) {
    testing_support::TempDir dir;
    testing_support::ScopedEnv home("TARNHOLD_HOME", (dir / "home").c_str());
    const auto env = platform::Environment::fromProcess(std::filesystem::path(TARNHOLD_BINARY).parent_path().string());
    EXPECT_TRUE(std::filesystem::is_regular_file(config::HelpDocumentPath(env))) << config::HelpDocumentPath(env);
    EXPECT_TRUE(std::filesystem::is_regular_file(config::SkinPath(env))) << config::SkinPath(env);
}

TEST(ResourcePaths, AnInstalledProgramFindsThemUnderShare) {
    testing_support::TempDir dir;
    const auto share = dir / "usr" / "share" / "tarnhold";
    testing_support::writeFile(share / "help" / "index.html", "<html></html>");
    testing_support::writeFile(share / "skins" / "frmmain.skn", "QWidget {}");
    std::filesystem::create_directories(dir / "usr" / "bin");
    testing_support::ScopedEnv home("TARNHOLD_HOME", (dir / "home").c_str());
    const auto env = platform::Environment::fromProcess((dir / "usr" / "bin").string());
    EXPECT_EQ(config::HelpDocumentPath(env), (share / "help" / "index.html").string());
    EXPECT_EQ(config::SkinPath(env), (share / "skins" / "frmmain.skn").string());
}

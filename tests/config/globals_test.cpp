#include <gtest/gtest.h>

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

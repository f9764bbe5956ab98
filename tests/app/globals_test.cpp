#include <gtest/gtest.h>

#include "app/Globals.h"
#include "support/TestSupport.h"

using namespace app;

TEST(ExpandUserProfile, ReplacesTheTokenAndWhatPrecedesIt) {
    const std::string profile = "C:\\users\\owner";
    EXPECT_EQ(ExpandUserProfile("%USERPROFILE%\\AppData\\Local", profile), "C:\\users\\owner\\AppData\\Local");
    EXPECT_EQ(ExpandUserProfile("C:\\Data", profile), "C:\\Data");
    EXPECT_EQ(ExpandUserProfile("x%USERPROFILE%\\Documents", profile), "C:\\users\\owner\\Documents");
    EXPECT_EQ(ExpandUserProfile("%userprofile%\\Documents", profile), "%userprofile%\\Documents");  // case-sensitive
}

TEST(AppendTextLine, CreatesTheFileAndEndsEachLineWithCrLf) {
    testing_support::TempDir dir;
    auto log = (dir / "brlog.dat").string();
    EXPECT_TRUE(AppendTextLine(log, "first\r"));
    EXPECT_TRUE(AppendTextLine(log, "second\n"));
    EXPECT_EQ(testing_support::readFile(log), "first\r\r\nsecond\n\r\n");
    EXPECT_FALSE(AppendTextLine((dir / "no-such-folder" / "x.dat").string(), "lost"));
}

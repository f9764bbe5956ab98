#include <gtest/gtest.h>

#include "items/MemberNames.h"

using namespace items;

TEST(MemberNames, TheNamesMembersTakeOnDiskArePlainNamesOfTheirFolder) {
    EXPECT_EQ(MemberFileName("account{1}.oeaccount"), "account{1}.oeaccount");
    EXPECT_EQ(MemberFolderName("Alpha.zip"), "Alpha");
    EXPECT_EQ(MemberFolderName("{C1}.zip"), "{C1}");
    EXPECT_EQ(MemberFolderName("a.b.zip"), "a.b");
    EXPECT_EQ(MemberFolderName("noext"), "noext");
    // The member's name passes, the folder it gives does not.
    for (const char* member : {"...zip", "..zip", "x..zip", "Home .zip", "CON.zip", ". .zip"}) {
        EXPECT_FALSE(MemberFolderName(member)) << member;
    }
    for (const char* member : {"", "..", "../x.zip", "a\\b.zip", "C:x.zip", "NUL", "brlog.dat.", "a?.zip"}) {
        EXPECT_FALSE(MemberFileName(member)) << member;
        EXPECT_FALSE(MemberFolderName(member)) << member;
    }
}

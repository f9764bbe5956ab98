#include <gtest/gtest.h>

#include "mailexport/WindowsNames.h"
#include "platform/HostPath.h"

using namespace mailexport;

TEST(WindowsNames, LengthsAreCountedAsWindowsCountsThem) {
    EXPECT_EQ(Utf16Length("Inbox"), 5u);
    EXPECT_EQ(Utf16Length("Gr\xC3\xBC\xC3\x9F" "e"), 5u);
    EXPECT_EQ(Utf16Length("\xF0\x9F\x93\xA7"), 2u);  // beyond the first plane: a surrogate pair
    EXPECT_EQ(Utf16Length("\xE2\x82\xAC"), 1u);
    EXPECT_EQ(CutName("Question about the contract", 8, ".eml"), "Ques.eml");
    EXPECT_EQ(CutName("\xC3\xBC\xC3\xBC\xC3\xBC", 2), "\xC3\xBC\xC3\xBC");
    EXPECT_EQ(CutName("a\xF0\x9F\x93\xA7", 2), "a");  // never half a pair
    EXPECT_EQ(CutName("short", 50, ".eml"), "short.eml");
}

TEST(WindowsNames, SiblingsAreDistinctWithoutRegardToCase) {
    SiblingNames names;
    EXPECT_EQ(names.give("Inbox", 255), "Inbox");
    EXPECT_EQ(names.give("INBOX", 255), "INBOX (2)");
    EXPECT_EQ(names.give("inbox", 255), "inbox (3)");
    EXPECT_EQ(names.give("a:b", 255), "a_b");
    EXPECT_EQ(names.give("a?b", 255), "a_b (2)");
    EXPECT_EQ(names.give("CON", 255), "CON_");
    EXPECT_EQ(names.give("Notes.", 255), "Notes_");
    EXPECT_EQ(names.give("x (00000001).eml", 255, ".eml"), "x (00000001).eml");
    EXPECT_EQ(names.give("X (00000001).EML", 255, ".eml"), "X (00000001) (2).eml");
    // Cut to fit, the number and the ending kept whole.
    EXPECT_EQ(names.give("A rather long subject line", 16, ".eml"), "A rather lon.eml");
    EXPECT_EQ(names.give("A rather long subject line", 16, ".eml"), "A rather (2).eml");
    EXPECT_FALSE(names.give("anything", kShortestName - 1));
}

TEST(WindowsNames, AnMboxFileTakesItsSubfolderAndIndexNamesAlong) {
    SiblingNames names({".sbd", ".msf"});
    EXPECT_EQ(names.give("Inbox", 255), "Inbox");
    EXPECT_EQ(names.give("Inbox.sbd", 255), "Inbox.sbd (2)");
    EXPECT_EQ(names.give("inbox.MSF", 255), "inbox.MSF (2)");
    SiblingNames reverse({".sbd", ".msf"});
    EXPECT_EQ(reverse.give("Sent.sbd", 255), "Sent.sbd");
    EXPECT_EQ(reverse.give("Sent", 255), "Sent (2)");
    for (const char* name : {"Inbox", "Inbox.sbd (2)", "inbox.MSF (2)", "Sent (2)"}) {
        EXPECT_TRUE(platform::IsPlainName(name)) << name;
    }
}

#include <gtest/gtest.h>

#include "platform/HostPath.h"

using platform::IsPlainName;

TEST(PlainName, OnlyNamesThatStayDirectlyInTheirFolderOnEverySystem) {
    for (const char* plain : {"Alpha", "{C1A2}", "Mail.MSMessageStore", "OBR1A2B.tmp", "a b", " lead", ".hidden",
                              "x..y", "CONSOLE", "con2", "COM10", "LPT", "nul_", "Gr\xC3\xBC\xC3\x9F" "e", "a#b%c$"}) {
        EXPECT_TRUE(IsPlainName(plain)) << plain;
    }
    for (const char* refused : {"", ".", "..", "...", " ", ". .", "a/b", "a\\b", "/", "\\", "C:", "C:x", "x:stream",
                                "a\tb", "a\nb", "a\x7F", "a<b", "a>b", "a\"b", "a|b", "a?b", "a*b", "trailing.",
                                "trailing ", "CON", "con", "Nul.txt", "PRN.tar.gz", "aux", "COM1", "com9.log",
                                "LPT0", "lpt1.dat", "COM\xC2\xB9", "CON .txt"}) {
        EXPECT_FALSE(IsPlainName(refused)) << refused;
    }
    EXPECT_FALSE(IsPlainName(std::string("a\0b", 3)));
}

TEST(PlainName, TheNearestPlainNameChangesOnlyWhatWindowsRefuses) {
    using platform::NearestPlainName;
    EXPECT_EQ(NearestPlainName("Inbox"), "Inbox");
    EXPECT_EQ(NearestPlainName("[Gmail]"), "[Gmail]");
    EXPECT_EQ(NearestPlainName("a/b\\c:d*e?f\"g<h>i|j"), "a_b_c_d_e_f_g_h_i_j");
    EXPECT_EQ(NearestPlainName("tab\there"), "tab_here");
    EXPECT_EQ(NearestPlainName("Notes. ."), "Notes___");
    EXPECT_EQ(NearestPlainName("CON"), "CON_");
    EXPECT_EQ(NearestPlainName("nul.txt"), "nul_.txt");
    EXPECT_EQ(NearestPlainName("COM1.tar.gz"), "COM1_.tar.gz");
    EXPECT_EQ(NearestPlainName(""), "_");
    EXPECT_EQ(NearestPlainName(". ."), "_");
    EXPECT_EQ(NearestPlainName("Gr\xC3\xBC\xC3\x9F" "e"), "Gr\xC3\xBC\xC3\x9F" "e");
    for (const char* name : {"a/b", "CON .txt", "x.", "..", "LPT9", "?", "a\x7F"}) {
        EXPECT_TRUE(platform::IsPlainName(NearestPlainName(name))) << name;
    }
}

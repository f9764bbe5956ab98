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

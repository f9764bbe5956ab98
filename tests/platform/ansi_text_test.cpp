#include <gtest/gtest.h>

#include "platform/AnsiText.h"
#include "support/TestSupport.h"

using namespace platform;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

TEST(AnsiText, ConvertsBetweenUtf8AndCodePage1252) {
    EXPECT_EQ(toAnsi("plain"), "plain");
    EXPECT_EQ(toAnsi("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xE9 \x80");  // é and the euro sign
    EXPECT_EQ(toAnsi("\xE6\x97\xA5x"), "<U+65E5>x");                // not in the code page: still shows
    EXPECT_FALSE(toAnsiExact("\xE6\x97\xA5x"));
    EXPECT_EQ(toAnsi("a\xFF" "b"), "a?b");                          // broken UTF-8
    EXPECT_EQ(fromAnsi("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(fromAnsi("\x81"), "\xC2\x81");  // undefined byte keeps its number
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    EXPECT_EQ(toAnsi(fromAnsi(all)), all);
}

TEST(AnsiText, WritesAndReadsCrLfLines) {
    TempDir dir;
    auto file = (dir / "a.dat").string();
    ASSERT_TRUE(appendAnsiLine(file, "S\xC3\xA9" "ance"));
    ASSERT_TRUE(appendAnsiLine(file, ""));
    EXPECT_EQ(readFile(file), "S\xE9" "ance\r\n\r\n");
    EXPECT_FALSE(appendAnsiLine((dir / "missing" / "a.dat").string(), "x"));

    ASSERT_TRUE(writeAnsiLines(file, {"one", "two"}));
    EXPECT_EQ(readFile(file), "one\r\ntwo\r\n");

    writeFile(dir / "b.dat", "a\r\nb\nc\rd\r\nlast");
    auto lines = readAnsiLines((dir / "b.dat").string());
    ASSERT_TRUE(lines);
    EXPECT_EQ(*lines, (std::vector<std::string>{"a", "b", "c\rd", "last"}));
    EXPECT_FALSE(readAnsiLines((dir / "none.dat").string()));
}

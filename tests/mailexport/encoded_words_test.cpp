#include <gtest/gtest.h>

#include "mailexport/Charsets.h"
#include "mailexport/EncodedWords.h"

using mailexport::CharsetToUtf8;
using mailexport::CodePageOfCharset;
using mailexport::DecodeHeaderText;
using mailexport::EightBitToUtf8;

TEST(Charsets, MimeNamesGiveTheCodePagesMailProgramsReadThemIn) {
    EXPECT_EQ(CodePageOfCharset("ISO-8859-1"), 1252u);
    EXPECT_EQ(CodePageOfCharset(" us-ascii "), 1252u);
    EXPECT_EQ(CodePageOfCharset("windows-1251"), 1251u);
    EXPECT_EQ(CodePageOfCharset("Windows-1250"), 1250u);
    EXPECT_EQ(CodePageOfCharset("iso-8859-2"), 28592u);
    EXPECT_EQ(CodePageOfCharset("ISO_8859-15"), 28605u);
    EXPECT_EQ(CodePageOfCharset("iso-8859-9"), 1254u);
    EXPECT_EQ(CodePageOfCharset("koi8-r"), 20866u);
    EXPECT_EQ(CodePageOfCharset("Shift_JIS"), 932u);
    EXPECT_EQ(CodePageOfCharset("gb2312"), 936u);
    EXPECT_EQ(CodePageOfCharset("big5"), 950u);
    EXPECT_EQ(CodePageOfCharset("cp850"), 850u);
    for (const char* unknown : {"utf-8", "x-unknown", "iso-8859-12", "windows-874x", "", "cp99999"}) {
        EXPECT_FALSE(CodePageOfCharset(unknown)) << unknown;
    }
}

TEST(Charsets, TextComesOutAsUtf8WithWhatCannotBeReadReplaced) {
    EXPECT_EQ(CharsetToUtf8("iso-8859-1", "Caf\xE9 \x80"), "Caf\xC3\xA9 \xE2\x82\xAC");  // read as windows-1252
    EXPECT_EQ(CharsetToUtf8("iso-8859-2", "\xB3\xF3\xBF"), "\xC5\x82\xC3\xB3\xC5\xBC");  // łóż
    EXPECT_EQ(CharsetToUtf8("koi8-r", "\xE9\xD7\xC1\xCE"), "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD");  // Иван
    EXPECT_EQ(CharsetToUtf8("windows-1251", "\xCF\xF0\xE8"), "\xD0\x9F\xD1\x80\xD0\xB8");  // При
    EXPECT_EQ(CharsetToUtf8("utf-8", "ok \xC3"), "ok \xEF\xBF\xBD");
    EXPECT_FALSE(CharsetToUtf8("x-unknown", "abc"));
    // Bare 8-bit text: UTF-8 as it is, else in the message's charset.
    EXPECT_EQ(EightBitToUtf8("Gr\xC3\xBC\xC3\x9F" "e", "iso-8859-2"), "Gr\xC3\xBC\xC3\x9F" "e");
    EXPECT_EQ(EightBitToUtf8("\xB3\xF3\xBF", "iso-8859-2"), "\xC5\x82\xC3\xB3\xC5\xBC");
    EXPECT_EQ(EightBitToUtf8("Caf\xE9", ""), "Caf\xC3\xA9");
}

TEST(EncodedWords, WordsAreDecodedInTheirOwnCharset) {
    EXPECT_EQ(DecodeHeaderText("=?iso-8859-1?Q?Caf=E9_cr=E8me?=", ""), "Caf\xC3\xA9 cr\xC3\xA8me");
    EXPECT_EQ(DecodeHeaderText("=?UTF-8?B?R3LDvMOfZQ==?=", ""), "Gr\xC3\xBC\xC3\x9F" "e");
    EXPECT_EQ(DecodeHeaderText("=?koi8-r?B?6dfBzg==?= <ivan@example.ru>", ""),
              "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD <ivan@example.ru>");
    EXPECT_EQ(DecodeHeaderText("Re: =?utf-8?q?caf=C3=A9?= tomorrow", ""), "Re: caf\xC3\xA9 tomorrow");
    // RFC 2231 adds a language after "*".
    EXPECT_EQ(DecodeHeaderText("=?iso-8859-1*fr?Q?=E9t=E9?=", ""), "\xC3\xA9t\xC3\xA9");
}

TEST(EncodedWords, BlanksBetweenWordsVanishAndSplitCharactersJoin) {
    // One character split across two words of the same charset comes out whole.
    EXPECT_EQ(DecodeHeaderText("=?utf-8?B?R3LD?= =?utf-8?B?vMOfZQ==?=", ""), "Gr\xC3\xBC\xC3\x9F" "e");
    EXPECT_EQ(DecodeHeaderText("=?iso-8859-1?Q?Caf=E9_?= =?utf-8?B?R3LD?=\t =?utf-8?B?vMOfZQ==?= and more", ""),
              "Caf\xC3\xA9 Gr\xC3\xBC\xC3\x9F" "e and more");
    // Blanks beside plain text stay.
    EXPECT_EQ(DecodeHeaderText("a =?utf-8?Q?b?= c", ""), "a b c");
}

TEST(EncodedWords, WhatIsNoValidWordStaysAsWritten) {
    EXPECT_EQ(DecodeHeaderText("=?x-unknown?Q?abc?=", ""), "=?x-unknown?Q?abc?=");
    EXPECT_EQ(DecodeHeaderText("=?utf-8?X?abc?=", ""), "=?utf-8?X?abc?=");
    EXPECT_EQ(DecodeHeaderText("=?utf-8?Q?no end", ""), "=?utf-8?Q?no end");
    EXPECT_EQ(DecodeHeaderText("=??Q?abc?=", ""), "=??Q?abc?=");
    EXPECT_EQ(DecodeHeaderText("100% =?= sure", ""), "100% =?= sure");
    EXPECT_EQ(DecodeHeaderText("=?utf-8?Q?a=4?=", ""), "a=4");  // a cut escape is kept
    // Bare 8-bit bytes in the message's charset.
    EXPECT_EQ(DecodeHeaderText("Caf\xE9 =?utf-8?Q?cr=C3=A8me?=", "iso-8859-1"), "Caf\xC3\xA9 cr\xC3\xA8me");
}

#include <gtest/gtest.h>

#include "mailexport/MessageHeaders.h"

using namespace mailexport;

TEST(MessageHeaders, FieldsAreUnfoldedAndTheBodyFoundAfterTheEmptyLine) {
    const std::string text = "From: a@b.c\r\nSubject: one\r\n\ttwo\r\nX-Empty:\r\n\r\nbody\r\n";
    MessageStart start;
    ASSERT_EQ(ReadHeaders(text, false, &start), HeaderScan::Complete);
    ASSERT_EQ(start.fields.size(), 3u);
    EXPECT_EQ(start.field("subject"), "one\ttwo");
    EXPECT_EQ(start.field("X-Empty"), "");
    EXPECT_FALSE(start.field("Date"));
    EXPECT_EQ(start.headersAt, 0u);
    EXPECT_EQ(text.substr(start.bodyAt), "body\r\n");
}

TEST(MessageHeaders, TheClientsOwnFirstLineIsNoHeader) {
    const std::string text = "x-store-info:J++/JTCzmObr++wN\r\nFrom: c@d.e\r\n\r\nx";
    MessageStart start;
    ASSERT_EQ(ReadHeaders(text, false, &start), HeaderScan::Complete);
    EXPECT_EQ(text.substr(0, start.headersAt), "x-store-info:J++/JTCzmObr++wN\r\n");
    ASSERT_EQ(start.fields.size(), 1u);
    EXPECT_FALSE(start.field("x-store-info"));
    EXPECT_EQ(start.field("From"), "c@d.e");
}

TEST(MessageHeaders, MoreIsAwaitedUntilTheHeadersEnd) {
    MessageStart start;
    EXPECT_EQ(ReadHeaders("", false, &start), HeaderScan::Incomplete);
    EXPECT_EQ(ReadHeaders("From: a@b.c\r\nSubj", false, &start), HeaderScan::Incomplete);
    EXPECT_EQ(ReadHeaders("From: a@b.c\r\n", false, &start), HeaderScan::Incomplete);
    // A message of headers alone, when it is known to be whole.
    ASSERT_EQ(ReadHeaders("From: a@b.c\r\nSubject: x", true, &start), HeaderScan::Complete);
    EXPECT_EQ(start.field("Subject"), "x");
    EXPECT_EQ(start.bodyAt, 23u);
}

TEST(MessageHeaders, BytesWithoutAHeaderAreNoMessage) {
    MessageStart start;
    for (const std::string& junk : {std::string(""), std::string("\r\n\r\nbody"), std::string("just text\r\n"),
                                    std::string("\x89PNG\r\n\x1A\n\0\0", 10), std::string(" folded: first\r\n"),
                                    std::string("Na me: v\r\n\r\n"), std::string(": empty name\r\n"),
                                    std::string("From: a\0b\r\n\r\n", 13), std::string("From nobody Mon Jan  1\r\n")}) {
        EXPECT_EQ(ReadHeaders(junk, true, &start), HeaderScan::NotAMessage) << junk;
    }
    // Known early, without waiting for the rest.
    EXPECT_EQ(ReadHeaders("\x89PNG\r\n", false, &start), HeaderScan::NotAMessage);
    // Obsolete blanks before the colon are allowed.
    EXPECT_EQ(ReadHeaders("Subject : old\r\n\r\n", true, &start), HeaderScan::Complete);
}

TEST(MessageHeaders, TheCollectorStopsOnceTheHeadersAreKnown) {
    HeaderCollector collector;
    EXPECT_FALSE(collector.take("From: a@b.c\r"));
    EXPECT_FALSE(collector.take("\nSubject: s\r\n"));
    EXPECT_TRUE(collector.take("\r\nbody"));
    EXPECT_EQ(collector.state(), HeaderScan::Complete);
    EXPECT_EQ(collector.bytes(), "From: a@b.c\r\nSubject: s\r\n\r\nbody");

    HeaderCollector endless;
    const std::string line = "X-Filler: " + std::string(100, 'x') + "\r\n";
    bool known = false;
    for (std::size_t n = 0; n < HeaderCollector::kHeaderLimit / line.size() + 2 && !known; ++n) known = endless.take(line);
    EXPECT_TRUE(known);
    EXPECT_EQ(endless.state(), HeaderScan::Complete);
    EXPECT_LE(endless.bytes().size(), HeaderCollector::kHeaderLimit + line.size());
}

TEST(MessageHeaders, AddressesAndNamesOfTheFirstMailbox) {
    EXPECT_EQ(FirstAddress("\"Alice Example\" <alice@example.org>"), "alice@example.org");
    EXPECT_EQ(FirstAddress("bob@example.net (Bob)"), "bob@example.net");
    EXPECT_EQ(FirstAddress("<>"), "");
    EXPECT_EQ(FirstAddress("carol@example.com, dave@example.com"), "carol@example.com");
    EXPECT_EQ(FirstAddress("undisclosed-recipients:;"), "");
    EXPECT_EQ(FirstMailboxName("\"Alice Example\" <alice@example.org>"), "Alice Example");
    EXPECT_EQ(FirstMailboxName("=?koi8-r?B?6dfBzg==?= <ivan@example.ru>"), "=?koi8-r?B?6dfBzg==?=");
    EXPECT_EQ(FirstMailboxName("bob@example.net (Bob Jones)"), "Bob Jones");
    EXPECT_EQ(FirstMailboxName("<erin@example.com>"), "erin@example.com");
    EXPECT_EQ(FirstMailboxName("frank@example.com"), "frank@example.com");
}

TEST(MessageHeaders, TheCharsetParameterOfAContentType) {
    EXPECT_EQ(CharsetParameter("text/plain; charset=\"ISO-8859-2\""), "iso-8859-2");
    EXPECT_EQ(CharsetParameter("text/plain;\tcharset = utf-8; format=flowed"), "utf-8");
    EXPECT_EQ(CharsetParameter("text/html; x-charsetfoo=1; charset=koi8-r"), "koi8-r");
    EXPECT_EQ(CharsetParameter("multipart/mixed; boundary=\"x\""), "");
}

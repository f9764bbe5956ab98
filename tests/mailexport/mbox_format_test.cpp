#include <gtest/gtest.h>

#include "mailexport/MboxFormat.h"

using namespace mailexport;

namespace {

MessageStart headersOf(const std::string& text) {
    MessageStart start;
    EXPECT_EQ(ReadHeaders(text, true, &start), HeaderScan::Complete) << text;
    return start;
}

// The message through the quoting in pieces of `piece` bytes.
std::string inMbox(const std::string& message, std::size_t piece) {
    MboxrdLines lines;
    std::string out;
    for (std::size_t at = 0; at < message.size(); at += piece) lines.feed(message.substr(at, piece), out);
    lines.finish(out);
    return out;
}

}  // namespace

TEST(MboxFormat, TheSeparatorNamesTheEnvelopeSenderAndTheDateInUtc) {
    const auto start = headersOf("Return-Path: <bounce@lists.example.org>\r\nFrom: \"A\" <a@example.org>\r\n"
                                 "Date: Tue, 15 Mar 2011 10:22:33 +0100\r\n\r\n");
    EXPECT_EQ(SeparatorLine(start, std::nullopt), "From bounce@lists.example.org Tue Mar 15 09:22:33 2011\n");
    EXPECT_EQ(EnvelopeSender(headersOf("Return-Path: <>\r\nFrom: Bob <bob@example.net>\r\n\r\n")), "bob@example.net");
    EXPECT_EQ(EnvelopeSender(headersOf("Subject: none\r\n\r\n")), "MAILER-DAEMON");
    EXPECT_EQ(EnvelopeSender(headersOf("From: <bad address@example.net>\r\n\r\n")), "MAILER-DAEMON");
    EXPECT_EQ(EnvelopeSender(headersOf("From: J\xC3\xB6rg <j\xC3\xB6rg@example.de>\r\n\r\n")), "MAILER-DAEMON");
}

TEST(MboxFormat, TheDateFallsBackToTheReceivedFieldThenTheStoredTime) {
    const auto received = headersOf("Received: from a by b; Wed, 2 Feb 2011 08:00:00 -0500\r\nDate: never\r\n\r\n");
    EXPECT_EQ(SeparatorLine(received, 0), "From MAILER-DAEMON Wed Feb  2 13:00:00 2011\n");
    const auto bare = headersOf("Subject: s\r\n\r\n");
    EXPECT_EQ(SeparatorLine(bare, 1300180953), "From MAILER-DAEMON Tue Mar 15 09:22:33 2011\n");
    EXPECT_EQ(SeparatorLine(bare, std::nullopt), "From MAILER-DAEMON Thu Jan  1 00:00:00 1970\n");
    // A date that asctime cannot write is no date for the line.
    EXPECT_EQ(MessageTime(headersOf("Date: 1 Jan 10000 00:00:00 +0000\r\n\r\n"), 5), 5);
}

TEST(MboxFormat, LinesEndInLfAndFromLinesGetOneMoreQuote) {
    const std::string message = "Subject: s\r\n\r\nFrom the start\r\n>From once\r\n>>From twice\r\nFrom\r\n"
                                "Fromage\r\n From after a blank\r\n>>>>\r\nA lone CR\rstays\r\nFrom the end";
    const std::string expected = "Subject: s\n\n>From the start\n>>From once\n>>>From twice\nFrom\n"
                                 "Fromage\n From after a blank\n>>>>\nA lone CR\rstays\n>From the end\n\n";
    // However the message is cut into pieces, the same bytes come out.
    for (std::size_t piece : {std::size_t(1), std::size_t(2), std::size_t(3), std::size_t(5), std::size_t(7),
                              message.size()}) {
        EXPECT_EQ(inMbox(message, piece), expected) << piece;
    }
}

TEST(MboxFormat, EveryMessageEndsInALineEndAndOneEmptyLine) {
    EXPECT_EQ(inMbox("A: b\r\n\r\n", 4), "A: b\n\n\n");
    EXPECT_EQ(inMbox("A: b\n\nlast", 3), "A: b\n\nlast\n\n");
    EXPECT_EQ(inMbox("A: b\n\nFro", 100), "A: b\n\nFro\n\n");
    EXPECT_EQ(inMbox("A: b\r\n\r\nends in CR\r", 100), "A: b\n\nends in CR\r\n\n");
    // One object serves message after message.
    MboxrdLines lines;
    std::string out;
    lines.feed("X: 1\r\n\r\nFrom", out);
    lines.finish(out);
    lines.feed("From x\r", out);
    lines.feed("\n", out);
    lines.finish(out);
    EXPECT_EQ(out, "X: 1\n\nFrom\n\n>From x\n\n");
}

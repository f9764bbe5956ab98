#include "OddMessages.h"

namespace sample {

namespace {

constexpr const char* kPlain = "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=\"utf-8\"\r\n";

std::string headers(const std::string& from, const std::string& subject, const std::string& date) {
    return "From: " + from + "\r\nTo: owner@example.com\r\nSubject: " + subject + "\r\nDate: " + date + "\r\n" + kPlain;
}

}  // namespace

std::vector<OddMessage> oddMessages() {
    return {
        {"Inbox", "From lines (000F0001).eml",
         "Return-Path: <bounce@lists.example.org>\r\n" +
             headers("\"Alice Example\" <alice@example.org>", "From lines", "Tue, 15 Mar 2011 10:22:33 +0100") +
             "\r\nFrom the start of a line.\r\n>From once quoted.\r\n>>From twice quoted.\r\nFrom\r\n"
             "Fromage is no separator.\r\n From after a blank.\r\n\r\nFrom the end.\r\n"},
        {"Inbox", "LF line ends (000F0002).eml",
         "From: bob@example.net\nSubject: LF only\nDate: Wed, 16 Mar 2011 08:00:00 -0500\n\n"
         "Lines end in LF.\nA lone CR\rstays inside its line.\nFrom here too.\n"},
        {"Inbox", "Eight-bit subject (000F0003).eml",
         headers("Jörg <joerg@example.de>", "Grüße aus Köln", "Thu, 17 Mar 2011 12:00:00 +0000") + "\r\nHallo.\r\n"},
        {"Inbox", "Latin-1 subject (000F0004).eml",
         "From: marie@example.fr\r\nSubject: Caf\xE9 cr\xE8me\r\nDate: 18 Mar 11 09:30 GMT\r\n"
         "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=iso-8859-1\r\n\r\nBonjour.\r\n"},
        {"Inbox", "Encoded words (000F0005).eml",
         headers("=?koi8-r?B?6dfBzg==?= <ivan@example.ru>",
                 "=?iso-8859-1?Q?Caf=E9_?= =?utf-8?B?R3LD?=\r\n =?utf-8?B?vMOfZQ==?= and more",
                 "Sat, 19 Mar 2011 23:59:59 +0530") +
             "\r\nEncoded words.\r\n"},
        {"Inbox", "Store info (000F0006).eml",
         "x-store-info:J++/JTCzmObr++wNraA4Pa4f5Xd6uens\r\n" +
             headers("carol@example.com", "Stored with a first line of the client's",
                     "Sun, 20 Mar 2011 07:15:00 +0100") +
             "\r\nBody.\r\n"},
        {"Inbox", "No sender (000F0007).eml",
         "Received: from mx.example.com by mail.example.com; Wed, 2 Feb 2011 08:00:00 -0500\r\n"
         "Subject: Neither sender nor date\r\n\r\nAnonymous.\r\n"},
        {"Inbox", "Empty file (000F0008).eml", ""},
        {"Inbox", "Binary junk (000F0009).eml", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\xFF\xFE", 18)},
        {"Inbox/Projects", "Empty body (000F000A).eml",
         headers("dave@example.com", "Nothing to say", "Mon, 21 Mar 2011 10:00:00 +0000") + "\r\n"},
        {"Inbox/Projects", "No final line end (000F000B).eml",
         headers("erin@example.com", "Cut short", "Tue, 22 Mar 2011 10:00:00 +0000") + "\r\nRegards"},
    };
}

}  // namespace sample

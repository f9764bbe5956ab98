#pragma once
// The mboxrd form current Thunderbird writes and RFC 4155 describes: each
// message after a "From <envelope sender> <asctime date>" line, with LF
// line ends, every line matching ^>*From quoted with one more ">", and a
// line end and one empty line after it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "mailexport/MessageHeaders.h"

namespace mailexport {

// The sender the separator line names: the Return-Path address, else the
// From address, else MAILER-DAEMON (also for an address with blanks or
// characters outside printable ASCII, which the line cannot carry).
std::string EnvelopeSender(const MessageStart& start);

// When the message was sent (its Date), else received (its first Received
// field's date), else `storedAt` (the archive entry's time), else 1970.
std::int64_t MessageTime(const MessageStart& start, std::optional<std::int64_t> storedAt);

// "From <sender> <asctime in UTC>\n".
std::string SeparatorLine(const MessageStart& start, std::optional<std::int64_t> storedAt);

// A message's bytes as they go into the mbox, fed in pieces of any size.
class MboxrdLines {
public:
    // Appends what the bytes give to `out`; a line end or "From" cut
    // between two pieces is held back until the next.
    void feed(std::string_view bytes, std::string& out);
    // Appends what was held back, the missing final line end and the empty
    // line that ends the message; ready for the next message then.
    void finish(std::string& out);

private:
    void normalized(std::string_view lf, std::string& out);
    bool decide(char c, std::string& out);

    bool carriageReturn_ = false;  // a CR ended the last piece
    bool lineStart_ = true;        // the next byte starts a line
    std::string head_;             // the start of a line, until it is known whether to quote it
    char last_ = '\n';             // the last byte written; nothing yet counts as a line end
    bool written_ = false;
    std::string lf_;               // the piece with CR LF made LF
};

}  // namespace mailexport

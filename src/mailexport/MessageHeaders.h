#pragma once
// The header section at the start of a stored message (RFC 5322): where it
// ends and its fields, unfolded. Some messages the client stored begin
// with an "x-store-info:" line of its own before the headers; it is kept
// apart so it neither counts as a header nor gets lost.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mailexport {

struct HeaderField {
    std::string name;
    std::string value;  // unfolded, blanks at both ends removed, bytes as written
};

struct MessageStart {
    std::size_t headersAt = 0;  // after the client's own first line, when there is one
    std::size_t bodyAt = 0;     // after the empty line that ends the headers (the text's end without one)
    std::vector<HeaderField> fields;

    // The first field of that name (any case), if any.
    std::optional<std::string> field(std::string_view name) const;
};

enum class HeaderScan {
    Complete,
    Incomplete,   // the text ends inside the headers; more of the message may finish them
    NotAMessage,  // no header at the start: empty, binary or anything else
};

// Reads the headers at the start of `text`. With `whole`, the text is the
// entire message, and headers the message ends in without an empty line
// count as complete.
HeaderScan ReadHeaders(std::string_view text, bool whole, MessageStart* out);

// A message's first bytes, gathered as they inflate until its headers are
// known; past kHeaderLimit bytes it decides on what came.
class HeaderCollector {
public:
    static constexpr std::size_t kHeaderLimit = 1 << 20;

    // Takes the next bytes; true once the headers are known (complete, or
    // no message at all) and no more are needed.
    bool take(std::string_view bytes);
    // The message ended (or reached the limit) before that: decides on
    // what came.
    void finish();

    HeaderScan state() const { return state_; }
    const MessageStart& start() const { return start_; }
    // Every byte taken so far.
    const std::string& bytes() const { return bytes_; }

private:
    static constexpr std::size_t kRescanAfter = 64 << 10;

    std::string bytes_;
    std::size_t scanned_ = 0;  // bytes there were at the last read
    MessageStart start_;
    HeaderScan state_ = HeaderScan::Incomplete;
};

// The address of the first mailbox in an address field:
// "Name <a@b>" and "a@b (Name)" give "a@b"; empty when it holds none.
std::string FirstAddress(std::string_view field);
// The name shown for that mailbox, still undecoded: the display name, else
// the address.
std::string FirstMailboxName(std::string_view field);
// The "charset" parameter of a Content-Type value, lower case; empty if none.
std::string CharsetParameter(std::string_view contentType);

}  // namespace mailexport

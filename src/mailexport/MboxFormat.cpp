#include "mailexport/MboxFormat.h"

#include <cstring>

#include "mailexport/MailDates.h"

namespace mailexport {

namespace {

constexpr std::string_view kFrom = "From ";
constexpr std::string_view kNoSender = "MAILER-DAEMON";

bool fitsTheLine(std::string_view address) {
    if (address.empty()) return false;
    for (char c : address) {
        if (c <= ' ' || c > '~') return false;
    }
    return true;
}

// The date at the end of a Received field, after its last ";".
std::optional<std::int64_t> receivedTime(const std::string& received) {
    const std::size_t semicolon = received.rfind(';');
    if (semicolon == std::string::npos) return std::nullopt;
    return ParseMailDate(std::string_view(received).substr(semicolon + 1));
}

}  // namespace

std::string EnvelopeSender(const MessageStart& start) {
    for (const char* name : {"Return-Path", "From"}) {
        if (auto value = start.field(name)) {
            std::string address = FirstAddress(*value);
            if (fitsTheLine(address)) return address;
        }
    }
    return std::string(kNoSender);
}

std::int64_t MessageTime(const MessageStart& start, std::optional<std::int64_t> storedAt) {
    if (auto date = start.field("Date")) {
        if (auto when = ParseMailDate(*date); when && AsctimeUtc(*when)) return *when;
    }
    if (auto received = start.field("Received")) {
        if (auto when = receivedTime(*received); when && AsctimeUtc(*when)) return *when;
    }
    if (storedAt && AsctimeUtc(*storedAt)) return *storedAt;
    return 0;
}

std::string SeparatorLine(const MessageStart& start, std::optional<std::int64_t> storedAt) {
    return "From " + EnvelopeSender(start) + " " + *AsctimeUtc(MessageTime(start, storedAt)) + "\n";
}

void MboxrdLines::feed(std::string_view bytes, std::string& out) {
    if (bytes.empty()) return;
    lf_.clear();
    if (carriageReturn_ && bytes.front() != '\n') lf_ += '\r';
    carriageReturn_ = false;
    // Every CR LF becomes LF; a lone CR is data and stays.
    for (std::size_t at = 0;;) {
        const void* cr = std::memchr(bytes.data() + at, '\r', bytes.size() - at);
        if (!cr) {
            lf_.append(bytes.substr(at));
            break;
        }
        const std::size_t i = static_cast<std::size_t>(static_cast<const char*>(cr) - bytes.data());
        lf_.append(bytes.substr(at, i - at));
        if (i + 1 == bytes.size()) {
            carriageReturn_ = true;
            break;
        }
        if (bytes[i + 1] != '\n') lf_ += '\r';
        at = i + 1;
    }
    normalized(lf_, out);
}

// Takes the next byte at the start of a line; true once the line is known
// to need quoting or not and its start was written.
bool MboxrdLines::decide(char c, std::string& out) {
    head_ += c;
    const std::size_t quotes = head_.find_first_not_of('>');
    const std::string_view rest = std::string_view(head_).substr(quotes == std::string::npos ? head_.size() : quotes);
    if (rest.size() < kFrom.size() && kFrom.starts_with(rest) && c != '\n') return false;
    if (rest == kFrom) out += '>';
    out += head_;
    head_.clear();
    return true;
}

void MboxrdLines::normalized(std::string_view text, std::string& out) {
    if (text.empty()) return;
    written_ = true;
    for (std::size_t at = 0; at < text.size();) {
        if (lineStart_) {
            const char c = text[at++];
            lineStart_ = !decide(c, out) || c == '\n';
            continue;
        }
        const void* lf = std::memchr(text.data() + at, '\n', text.size() - at);
        const std::size_t end = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - text.data()) + 1 : text.size();
        out.append(text.substr(at, end - at));
        lineStart_ = lf != nullptr;
        at = end;
    }
    last_ = text.back();
}

void MboxrdLines::finish(std::string& out) {
    if (carriageReturn_) {
        lf_ = "\r";
        carriageReturn_ = false;
        normalized(lf_, out);
    }
    if (!head_.empty()) {
        out += head_;
        last_ = head_.back();
        head_.clear();
    }
    if (written_ && last_ != '\n') out += '\n';
    out += '\n';
    lineStart_ = true;
    last_ = '\n';
    written_ = false;
}

}  // namespace mailexport

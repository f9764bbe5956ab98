#include "mailexport/MessageHeaders.h"

#include "platform/Text.h"

namespace mailexport {

namespace {

constexpr std::string_view kStoreInfo = "x-store-info:";

// One line of `text` from `at`: its content without the line end, and where
// the next one starts; nothing when no line end follows (unless `whole`).
struct Line {
    std::string_view content;
    std::size_t next;
};
std::optional<Line> lineAt(std::string_view text, std::size_t at, bool whole) {
    const std::size_t lf = text.find('\n', at);
    if (lf == std::string_view::npos && !whole) return std::nullopt;
    const std::size_t end = lf == std::string_view::npos ? text.size() : lf;
    std::string_view content = text.substr(at, end - at);
    if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
    return Line{content, lf == std::string_view::npos ? text.size() : lf + 1};
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// "Name:" with printable ASCII before the colon (obsolete blanks before it
// allowed): the field's name, or nothing.
std::optional<std::string_view> fieldName(std::string_view line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    std::string_view name = line.substr(0, colon);
    while (!name.empty() && isBlank(name.back())) name.remove_suffix(1);
    if (name.empty()) return std::nullopt;
    for (char c : name) {
        if (c <= ' ' || c > '~') return std::nullopt;
    }
    return name;
}

std::string trimmed(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return std::string(s);
}

}  // namespace

std::optional<std::string> MessageStart::field(std::string_view name) const {
    for (const auto& f : fields) {
        if (platform::equalsNoCase(f.name, name)) return f.value;
    }
    return std::nullopt;
}

HeaderScan ReadHeaders(std::string_view text, bool whole, MessageStart* out) {
    *out = MessageStart{};
    std::size_t at = 0;
    auto first = lineAt(text, 0, whole);
    if (!first) return HeaderScan::Incomplete;
    if (platform::equalsNoCase(first->content.substr(0, kStoreInfo.size()), kStoreInfo)) at = first->next;
    out->headersAt = at;
    std::string current;  // the field being unfolded, "name:value"
    auto finishField = [&] {
        if (current.empty()) return;
        const std::size_t colon = current.find(':');
        out->fields.push_back({trimmed(current.substr(0, colon)), trimmed(std::string_view(current).substr(colon + 1))});
        current.clear();
    };
    while (at < text.size()) {
        auto line = lineAt(text, at, whole);
        if (!line) return HeaderScan::Incomplete;
        at = line->next;
        if (line->content.find('\0') != std::string_view::npos) return HeaderScan::NotAMessage;
        if (line->content.empty()) {
            finishField();
            out->bodyAt = at;
            return out->fields.empty() ? HeaderScan::NotAMessage : HeaderScan::Complete;
        }
        if (isBlank(line->content.front())) {
            if (current.empty()) return HeaderScan::NotAMessage;
            current += line->content;
            continue;
        }
        if (!fieldName(line->content)) return HeaderScan::NotAMessage;
        finishField();
        current = line->content;
    }
    if (!whole) return HeaderScan::Incomplete;
    finishField();
    out->bodyAt = text.size();
    return out->fields.empty() ? HeaderScan::NotAMessage : HeaderScan::Complete;
}

bool HeaderCollector::take(std::string_view bytes) {
    const std::size_t before = bytes_.size();
    bytes_.append(bytes);
    // Read again only when the headers may have ended, or much more came:
    // a message fed in small pieces must not cost a read of all so far each.
    const std::size_t from = before < 3 ? 0 : before - 3;
    const bool mayEnd = bytes_.find("\n\n", from) != std::string::npos || bytes_.find("\n\r\n", from) != std::string::npos;
    if (before == 0 || mayEnd || bytes_.size() - scanned_ >= kRescanAfter) {
        scanned_ = bytes_.size();
        state_ = ReadHeaders(bytes_, false, &start_);
    }
    if (state_ == HeaderScan::Incomplete && bytes_.size() >= kHeaderLimit) finish();
    return state_ != HeaderScan::Incomplete;
}

void HeaderCollector::finish() { state_ = ReadHeaders(bytes_, true, &start_); }

std::string FirstAddress(std::string_view field) {
    const std::size_t open = field.find('<');
    if (open != std::string_view::npos) {
        const std::size_t close = field.find('>', open);
        if (close != std::string_view::npos) return trimmed(field.substr(open + 1, close - open - 1));
    }
    // A bare address, perhaps with a comment after it or more mailboxes.
    std::string_view rest = field.substr(0, field.find_first_of(",("));
    for (const auto& word : platform::splitAll(platform::trimWhitespace(rest), ' ')) {
        if (word.find('@') != std::string::npos) return word;
    }
    return {};
}

std::string FirstMailboxName(std::string_view field) {
    const std::size_t open = field.find('<');
    std::string name = open == std::string_view::npos ? std::string() : trimmed(field.substr(0, open));
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
    if (!name.empty()) return name;
    const std::size_t comment = field.find('(');
    const std::size_t commentEnd = field.find(')', comment == std::string_view::npos ? 0 : comment);
    if (open == std::string_view::npos && comment != std::string_view::npos && commentEnd != std::string_view::npos) {
        name = trimmed(field.substr(comment + 1, commentEnd - comment - 1));
        if (!name.empty()) return name;
    }
    return FirstAddress(field);
}

std::string CharsetParameter(std::string_view contentType) {
    const std::string lower = platform::toLowerAscii(contentType);
    for (std::size_t at = lower.find("charset"); at != std::string::npos; at = lower.find("charset", at + 7)) {
        std::size_t i = at + 7;
        while (i < lower.size() && isBlank(lower[i])) ++i;
        if (i >= lower.size() || lower[i] != '=') continue;
        ++i;
        while (i < lower.size() && isBlank(lower[i])) ++i;
        const bool quoted = i < lower.size() && lower[i] == '"';
        if (quoted) ++i;
        const std::size_t end = lower.find_first_of(quoted ? "\"" : " \t;", i);
        return lower.substr(i, end == std::string::npos ? std::string::npos : end - i);
    }
    return {};
}

}  // namespace mailexport

#include "platform/Text.h"

#include <algorithm>

namespace platform {

std::string trimBlanks(std::string_view s) {
    auto b = s.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    auto e = s.find_last_not_of(' ');
    return std::string(s.substr(b, e - b + 1));
}

std::string trimWhitespace(std::string_view s) {
    constexpr std::string_view kWhitespace = " \t\r\n\v\f";
    auto b = s.find_first_not_of(kWhitespace);
    if (b == std::string_view::npos) return {};
    auto e = s.find_last_not_of(kWhitespace);
    return std::string(s.substr(b, e - b + 1));
}

std::optional<std::pair<char32_t, std::size_t>> decodeUtf8At(const unsigned char* at, std::size_t left) {
    const unsigned char lead = at[0];
    std::size_t n = lead < 0x80 ? 1 : lead >= 0xF0 && lead < 0xF5 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (n == 0 || n > left) return std::nullopt;
    char32_t c = n == 1 ? lead : lead & (0x7F >> n);
    for (std::size_t i = 1; i < n; ++i) {
        if ((at[i] & 0xC0) != 0x80) return std::nullopt;
        c = (c << 6) | (at[i] & 0x3F);
    }
    return std::pair{c, n};
}

std::string cutAtNul(std::string_view s) {
    return std::string(s.substr(0, s.find('\0')));
}

std::string toUpperAscii(std::string_view s) {
    std::string r(s);
    std::transform(r.begin(), r.end(), r.begin(),
                   [](unsigned char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : char(c); });
    return r;
}

std::string toLowerAscii(std::string_view s) {
    std::string r(s);
    std::transform(r.begin(), r.end(), r.begin(),
                   [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : char(c); });
    return r;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && toUpperAscii(a) == toUpperAscii(b);
}

bool endsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

std::string replaceAll(std::string s, std::string_view from, std::string_view to) {
    if (from.empty()) return s;
    std::string out;
    std::size_t pos = 0;
    for (std::size_t hit; (hit = s.find(from, pos)) != std::string::npos; pos = hit + from.size()) {
        out.append(s, pos, hit - pos);
        out.append(to);
    }
    out.append(s, pos);
    return out;
}

std::vector<std::string> splitAll(std::string_view s, char sep) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t hit; (hit = s.find(sep, start)) != std::string_view::npos; start = hit + 1) {
        parts.emplace_back(s.substr(start, hit - start));
    }
    parts.emplace_back(s.substr(start));
    return parts;
}

std::string leftCharacters(std::string_view utf8, std::size_t count) {
    std::size_t end = 0;
    for (std::size_t seen = 0; end < utf8.size(); ++end) {
        // A character starts at every byte that is not a continuation byte.
        if ((static_cast<unsigned char>(utf8[end]) & 0xC0) != 0x80 && seen++ == count) break;
    }
    return std::string(utf8.substr(0, end));
}

}  // namespace platform

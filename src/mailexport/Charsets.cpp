#include "mailexport/Charsets.h"

#include <array>
#include <utility>

#include "platform/CodePage.h"
#include "platform/Text.h"

namespace mailexport {

namespace {

constexpr unsigned kWestern = 1252;
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The names mail declares, after the IANA registry and what mail programs
// accept; the numbered families (windows-125x, iso-8859-x, cpNNN) are read
// by rule below.
constexpr std::array<std::pair<std::string_view, unsigned>, 30> kNamed{{
    {"us-ascii", kWestern},  {"ascii", kWestern},       {"ansi_x3.4-1968", kWestern},
    {"latin1", kWestern},    {"iso-8859-1", kWestern},  {"iso_8859-1", kWestern},
    {"iso-8859-9", 1254},    {"iso-8859-11", 874},      {"tis-620", 874},
    {"koi8-r", 20866},       {"koi8-u", 21866},         {"ibm866", 866},
    {"shift_jis", 932},      {"shift-jis", 932},        {"sjis", 932},
    {"x-sjis", 932},         {"ms_kanji", 932},         {"euc-jp", 51932},
    {"iso-2022-jp", 50220},  {"gb2312", 936},           {"gbk", 936},
    {"x-gbk", 936},          {"gb18030", 54936},        {"big5", 950},
    {"big5-hkscs", 950},     {"euc-kr", 949},           {"ks_c_5601-1987", 949},
    {"macintosh", 10000},    {"x-mac-roman", 10000},    {"ibm437", 437},
}};

std::optional<unsigned> numberAfter(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix) || name.size() == prefix.size() || name.size() > prefix.size() + 5) return std::nullopt;
    unsigned n = 0;
    for (char c : name.substr(prefix.size())) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + static_cast<unsigned>(c - '0');
    }
    return n;
}

std::optional<unsigned> numberedCodePage(std::string_view name) {
    if (auto n = numberAfter(name, "windows-"); n && *n >= 1250 && *n <= 1258) return n;
    if (auto n = numberAfter(name, "cp"); n && *n >= 437 && *n <= 1258) return n;
    for (std::string_view prefix : {"iso-8859-", "iso8859-", "iso_8859-"}) {
        if (auto n = numberAfter(name, prefix); n && *n >= 2 && *n <= 16 && *n != 12) return 28590 + *n;
    }
    return std::nullopt;
}

bool isUtf8Name(std::string_view name) { return name == "utf-8" || name == "utf8"; }

// Every byte that is no part of a UTF-8 sequence becomes U+FFFD.
std::string repairedUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    const auto* at = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t i = 0; i < bytes.size();) {
        if (auto sequence = platform::decodeUtf8At(at + i, bytes.size() - i)) {
            out.append(bytes.substr(i, sequence->second));
            i += sequence->second;
        } else {
            out += kReplacement;
            ++i;
        }
    }
    return out;
}

}  // namespace

std::optional<unsigned> CodePageOfCharset(std::string_view charset) {
    const std::string name = platform::toLowerAscii(platform::trimWhitespace(charset));
    for (const auto& [known, codePage] : kNamed) {
        if (name == known) return codePage;
    }
    return numberedCodePage(name);
}

bool IsUtf8(std::string_view bytes) {
    const auto* at = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t i = 0; i < bytes.size();) {
        if (at[i] < 0x80) {
            ++i;
            continue;
        }
        auto sequence = platform::decodeUtf8At(at + i, bytes.size() - i);
        if (!sequence) return false;
        i += sequence->second;
    }
    return true;
}

std::optional<std::string> CharsetToUtf8(std::string_view charset, std::string_view bytes) {
    if (isUtf8Name(platform::toLowerAscii(platform::trimWhitespace(charset)))) return repairedUtf8(bytes);
    const auto codePage = CodePageOfCharset(charset);
    if (!codePage || !platform::CodePageKnown(*codePage)) return std::nullopt;
    return platform::DecodeFromCodePage(*codePage, std::string(bytes), [](const unsigned char*, std::size_t) {
        return platform::Replacement{{1, std::string(kReplacement)}};
    });
}

std::string EightBitToUtf8(std::string_view bytes, std::string_view fallbackCharset) {
    if (IsUtf8(bytes)) return std::string(bytes);
    if (auto text = CharsetToUtf8(fallbackCharset, bytes)) return *text;
    return CharsetToUtf8("windows-1252", bytes).value_or(repairedUtf8(bytes));
}

}  // namespace mailexport

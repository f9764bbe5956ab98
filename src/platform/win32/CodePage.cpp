#include "platform/CodePage.h"

#include <windows.h>

#include "platform/Text.h"
#include "platform/win32/WideText.h"

namespace platform {

namespace {

// A code point as UTF-16.
std::wstring unitsOf(char32_t c) {
    if (c < 0x10000) return std::wstring(1, static_cast<wchar_t>(c));
    c -= 0x10000;
    return {static_cast<wchar_t>(0xD800 + (c >> 10)), static_cast<wchar_t>(0xDC00 + (c & 0x3FF))};
}

// Both walks copy ASCII as it is: every ANSI code page holds it unchanged.
bool isAscii(unsigned char c) { return c < 0x80; }

// The whole text in one call, when the code page takes all of it: the only
// way for sets whose characters span more than two bytes or depend on what
// came before (ISO-2022-JP, GB18030). Those refuse the error flag and
// replace what they cannot read themselves.
std::optional<std::string> decodeWhole(unsigned codePage, const std::string& text) {
    const bool takesErrorFlag = !(codePage >= 50220 && codePage <= 50229) && codePage != 54936 && codePage != 52936 &&
                                !(codePage >= 57002 && codePage <= 57011) && codePage != 65000 && codePage != 42;
    const DWORD flags = takesErrorFlag ? MB_ERR_INVALID_CHARS : 0;
    const int size = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
    if (units <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    if (MultiByteToWideChar(codePage, flags, text.data(), size, wide.data(), units) != units) return std::nullopt;
    return utf8(wide);
}

}  // namespace

bool CodePageKnown(unsigned codePage) { return IsValidCodePage(codePage) != 0; }

std::optional<std::string> EncodeToCodePage(unsigned codePage, const std::string& utf8, const OnInvalid& onInvalid) {
    std::string out;
    out.reserve(utf8.size());
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    for (std::size_t at = 0; at < utf8.size();) {
        if (isAscii(bytes[at])) {
            out += static_cast<char>(bytes[at++]);
            continue;
        }
        const auto decoded = decodeUtf8At(bytes + at, utf8.size() - at);
        char encoded[8];
        int n = 0;
        if (decoded) {
            const std::wstring units = unitsOf(decoded->first);
            BOOL usedDefault = FALSE;
            // No best fit: a character the page lacks must not become a look-alike.
            n = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, units.data(), static_cast<int>(units.size()),
                                    encoded, sizeof encoded, nullptr, &usedDefault);
            if (usedDefault) n = 0;
        }
        if (n > 0) {
            out.append(encoded, static_cast<std::size_t>(n));
            at += decoded->second;
            continue;
        }
        const auto instead = onInvalid(bytes + at, utf8.size() - at);
        if (!instead) return std::nullopt;
        out += instead->second;
        at += instead->first;
    }
    return out;
}

std::optional<std::string> DecodeFromCodePage(unsigned codePage, const std::string& text, const OnInvalid& onInvalid) {
    if (text.empty()) return std::string();
    if (auto whole = decodeWhole(codePage, text)) return whole;
    std::string out;
    out.reserve(text.size());
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t at = 0; at < text.size();) {
        if (isAscii(bytes[at])) {
            out += static_cast<char>(bytes[at++]);
            continue;
        }
        const std::size_t length = IsDBCSLeadByteEx(codePage, bytes[at]) && at + 1 < text.size() ? 2 : 1;
        wchar_t units[2];
        const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data() + at, static_cast<int>(length),
                                          units, 2);
        if (n > 0) {
            out += utf8(std::wstring_view(units, static_cast<std::size_t>(n)));
            at += length;
            continue;
        }
        const auto instead = onInvalid(bytes + at, text.size() - at);
        if (!instead) return std::nullopt;
        out += instead->second;
        at += instead->first;
    }
    return out;
}

}  // namespace platform

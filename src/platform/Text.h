#pragma once
// Small text helpers every subsystem shares.

#include <optional>
#include <string>
#include <utility>
#include <string_view>
#include <vector>

namespace platform {

// Blanks (spaces only, as the program's trimming does) removed at both ends.
std::string trimBlanks(std::string_view s);
// Blanks, tabs and line ends removed at both ends, as a program's output is read.
std::string trimWhitespace(std::string_view s);
// The text up to its first NUL character.
std::string cutAtNul(std::string_view s);
std::string toUpperAscii(std::string_view s);
std::string toLowerAscii(std::string_view s);
bool equalsNoCase(std::string_view a, std::string_view b);
bool endsWith(std::string_view s, std::string_view tail);
std::string replaceAll(std::string s, std::string_view from, std::string_view to);
// Splits at every occurrence of `sep`; n separators give n + 1 parts.
std::vector<std::string> splitAll(std::string_view s, char sep);
// The code point of the UTF-8 sequence at `at` and its length; nothing for
// bytes that are no UTF-8 (or a sequence cut off before `left` ends).
std::optional<std::pair<char32_t, std::size_t>> decodeUtf8At(const unsigned char* at, std::size_t left);
// The first `count` characters of UTF-8 text, never cutting one in two.
std::string leftCharacters(std::string_view utf8, std::size_t count);

}  // namespace platform

#pragma once
// The pieces of Wine's registry text format ("WINE REGISTRY Version 2"):
// escaped strings, key lines and value lines, read and written as Wine
// itself reads and writes them.

#include "platform/Registry.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::winereg {

inline constexpr std::string_view kHeader = "WINE REGISTRY Version 2";

// Reads escaped text from `line` at `*pos` up to the unescaped `end`
// character and leaves `*pos` just past it. False, with `error`, on an escape
// Wine never writes or when `end` is missing.
bool readEscaped(std::string_view line, std::size_t* pos, char end, std::u16string* out,
                 std::string* error);
// Wine's escaping of `units`: "\" and the characters in `specials` get a
// backslash, control characters C or octal escapes, others above 127 "\x".
std::string escape(std::u16string_view units, std::string_view specials);

// A key line such as `[Software\\Wine] 1700000000`; `path` gets the key
// path with "\" between names (the empty path for the root, `[]`).
bool parseKeyLine(std::string_view line, std::string* path, std::string* error);
// The key line and the "#time=" line Wine writes for a key last changed at
// `fileTime` (100 ns ticks since 1601), each with its line end.
std::string formatKeyLine(const std::string& path, std::uint64_t fileTime);
std::string formatTimeLine(std::uint64_t fileTime);

// One value line, which continues over following lines for long hex data.
// `lines` are the file's lines without their line ends; reading starts at
// `*index`, which is left on the value's last line (or the line at fault).
bool parseValue(const std::vector<std::string_view>& lines, std::size_t* index, RegValue* value,
                std::string* error);
// The text Wine writes for the value, continuation lines and final line end included.
std::string formatValue(const RegValue& value);

}  // namespace platform::winereg

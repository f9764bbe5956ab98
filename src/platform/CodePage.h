#pragma once
// Conversions between UTF-8 and one ANSI code page by the system's own
// converter (iconv, or Windows' own tables), for AnsiText alone.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace platform {

// For input a conversion cannot take at `at` (with `left` bytes to go): how
// many bytes to skip and what to write instead, or nothing to give up.
using Replacement = std::optional<std::pair<std::size_t, std::string>>;
using OnInvalid = std::function<Replacement(const unsigned char* at, std::size_t left)>;

bool CodePageKnown(unsigned codePage);
// UTF-8 -> the code page; nothing when `onInvalid` gave up.
std::optional<std::string> EncodeToCodePage(unsigned codePage, const std::string& utf8, const OnInvalid& onInvalid);
// The code page -> UTF-8; nothing when `onInvalid` gave up.
std::optional<std::string> DecodeFromCodePage(unsigned codePage, const std::string& bytes, const OnInvalid& onInvalid);

}  // namespace platform

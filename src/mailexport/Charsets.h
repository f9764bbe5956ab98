#pragma once
// Text in the character sets mail declares, turned into UTF-8 by the
// system's own converter (platform/CodePage.h): MIME names are mapped to
// the Windows code page numbers it takes.

#include <optional>
#include <string>
#include <string_view>

namespace mailexport {

// The code page of a MIME charset name (any case), as mail programs read it:
// ISO-8859-1 and US-ASCII as windows-1252, which holds them and the
// characters that mail labelled so carries in practice. Nothing for a name
// it does not know, and for UTF-8, which needs no conversion.
std::optional<unsigned> CodePageOfCharset(std::string_view charset);

// `bytes` in `charset` as UTF-8, what cannot be read becoming U+FFFD;
// nothing when the charset is unknown.
std::optional<std::string> CharsetToUtf8(std::string_view charset, std::string_view bytes);

// Whether the bytes are UTF-8 throughout; ASCII is.
bool IsUtf8(std::string_view bytes);

// 8-bit text of unknown origin as UTF-8: kept when it is UTF-8 already,
// else read in `fallbackCharset` (windows-1252 when that is unknown).
std::string EightBitToUtf8(std::string_view bytes, std::string_view fallbackCharset);

}  // namespace mailexport

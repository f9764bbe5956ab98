#pragma once
// Header text as people read it: RFC 2047 encoded words ("=?utf-8?B?...?=",
// "=?iso-8859-2?Q?...?=") decoded in the charset each declares, and bare
// 8-bit bytes read as UTF-8 or in the message's own charset.

#include <string>
#include <string_view>

namespace mailexport {

// `raw` (one unfolded header value) as UTF-8. Blanks between two encoded
// words vanish, and adjacent words of one charset are joined before they are
// decoded, so a character split across two words comes out whole. A word
// in a charset nobody knows, or malformed, stays as it was written.
std::string DecodeHeaderText(std::string_view raw, std::string_view messageCharset);

}  // namespace mailexport

#pragma once
// Dates of mail: the RFC 5322 form messages carry ("Tue, 15 Mar 2011
// 10:22:33 +0100", with the obsolete zones and two-digit years), and the
// forms the export writes. All in UTC, counted without the C library's
// time zone, so both builds give the same text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mailexport {

// Seconds since 1970-01-01 UTC; nothing when the text holds no valid date.
std::optional<std::int64_t> ParseMailDate(std::string_view text);

// The 24 characters of C's asctime in UTC, "Tue Mar 15 09:22:33 2011", as an
// mbox separator line carries them. Years outside 1000-9999 have no such
// form: nothing.
std::optional<std::string> AsctimeUtc(std::int64_t seconds);

// "2011-03-15 09:22" in UTC, for listings.
std::string ListingDate(std::int64_t seconds);

}  // namespace mailexport

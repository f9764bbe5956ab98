#pragma once
// The machine's clock as its user reads it: the local time zone's offset
// from UTC, and the general date format (short date, a blank, long time)
// that records and log lines are written in.

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// A date and time of day as a calendar shows them.
struct CivilTime {
    int year = 1970, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;
    bool operator==(const CivilTime&) const = default;
};

// Seconds the local time zone is ahead of UTC at the moment `utcSeconds`
// (seconds since 1970, UTC).
int LocalOffsetAt(std::int64_t utcSeconds);
// The moment a local date and time names; nothing when it names none.
std::optional<std::int64_t> LocalTimeToUtc(const CivilTime& local);
// `local` in the general date format: on Windows the user's own short date
// and long time; elsewhere the US English form "12/5/2026 9:30:00 PM", so
// records read the same on every machine.
std::string GeneralDateText(const CivilTime& local);

}  // namespace platform

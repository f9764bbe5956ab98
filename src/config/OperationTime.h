#pragma once
// Moments as the program records them: the date-time text of records and
// log lines (the general date format, short date, a blank, long time), the
// time stamps of the run record, and the clock the runs read.

#include <compare>
#include <cstdint>
#include <string>

#include "platform/LocalTime.h"

namespace config {

// A moment with the offset from UTC it is seen at; the default one is no
// moment at all. Moments compare by when they are, whatever their offsets.
class DateTime {
public:
    DateTime() = default;
    // Seen at the machine's local offset of that moment.
    static DateTime fromUtcSeconds(std::int64_t secondsSince1970);
    // Seen at `offsetSeconds` from UTC, whatever the machine's zone.
    static DateTime atOffset(std::int64_t secondsSince1970, int offsetSeconds);
    // A calendar date and time at `offsetSeconds` from UTC.
    static DateTime fromFields(const platform::CivilTime& fields, int offsetSeconds);
    // A calendar date and time in the machine's local time zone.
    static DateTime fromLocalFields(const platform::CivilTime& fields);

    bool isValid() const { return valid_; }
    std::int64_t utcSeconds() const { return seconds_; }
    int offsetSeconds() const { return offset_; }
    // The calendar date and time at its own offset.
    platform::CivilTime fields() const;
    // The same moment at the machine's local offset.
    DateTime toLocal() const { return fromUtcSeconds(seconds_); }
    DateTime addSeconds(std::int64_t seconds) const;
    DateTime addDays(int days) const { return addSeconds(days * 86400LL); }
    std::int64_t secondsTo(const DateTime& later) const { return later.seconds_ - seconds_; }

    bool operator==(const DateTime& other) const { return valid_ == other.valid_ && seconds_ == other.seconds_; }
    std::strong_ordering operator<=>(const DateTime& other) const {
        if (valid_ != other.valid_) return valid_ <=> other.valid_;
        return seconds_ <=> other.seconds_;
    }

private:
    bool valid_ = false;
    std::int64_t seconds_ = 0;
    int offset_ = 0;
};

// "2026-12-05T21:30:00+01:00" ("Z" for UTC itself); empty for no moment.
std::string IsoText(const DateTime& when);
// The moment an IsoText names (one without an offset is local time); no
// moment when the text is none.
DateTime ParseIsoText(const std::string& text);

// The general date format of the machine, at the moment's own offset.
std::string GeneralDateText(const DateTime& when);
// The clock the runs read; tests may pin it.
DateTime CurrentDateTime();
void PinCurrentDateTimeForTests(const DateTime& when);  // no moment: the real clock again

}  // namespace config

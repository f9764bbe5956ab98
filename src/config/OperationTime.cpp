#include "config/OperationTime.h"

#include <chrono>
#include <cstdio>
#include <mutex>

namespace config {

namespace {

std::mutex clockMutex;
DateTime pinned;

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
std::int64_t daysFromCivil(int year, int month, int day) {
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return static_cast<std::int64_t>(era) * 146097 + dayOfEra - 719468;
}

platform::CivilTime civilFromSeconds(std::int64_t seconds) {
    std::int64_t days = seconds / 86400, rest = seconds % 86400;
    if (rest < 0) rest += 86400, --days;
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int dayOfEra = static_cast<int>(days - era * 146097);
    const int yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int monthIndex = (5 * dayOfYear + 2) / 153;
    platform::CivilTime t;
    t.day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    t.month = monthIndex + (monthIndex < 10 ? 3 : -9);
    t.year = static_cast<int>(yearOfEra + era * 400) + (t.month <= 2 ? 1 : 0);
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest % 3600 / 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

std::int64_t secondsOfFields(const platform::CivilTime& f) {
    return daysFromCivil(f.year, f.month, f.day) * 86400 + f.hour * 3600 + f.minute * 60 + f.second;
}

bool validFields(const platform::CivilTime& f) {
    return f.month >= 1 && f.month <= 12 && f.day >= 1 && f.day <= 31 && f.hour >= 0 && f.hour < 24 &&
           f.minute >= 0 && f.minute < 60 && f.second >= 0 && f.second < 61 &&
           civilFromSeconds(secondsOfFields(f)).day == f.day;  // no 31 November
}

}  // namespace

DateTime DateTime::fromUtcSeconds(std::int64_t secondsSince1970) {
    return atOffset(secondsSince1970, platform::LocalOffsetAt(secondsSince1970));
}

DateTime DateTime::atOffset(std::int64_t secondsSince1970, int offsetSeconds) {
    DateTime t;
    t.valid_ = true;
    t.seconds_ = secondsSince1970;
    t.offset_ = offsetSeconds;
    return t;
}

DateTime DateTime::fromFields(const platform::CivilTime& fields, int offsetSeconds) {
    DateTime t;
    if (!validFields(fields)) return t;
    t.valid_ = true;
    t.seconds_ = secondsOfFields(fields) - offsetSeconds;
    t.offset_ = offsetSeconds;
    return t;
}

DateTime DateTime::fromLocalFields(const platform::CivilTime& fields) {
    if (!validFields(fields)) return {};
    const auto seconds = platform::LocalTimeToUtc(fields);
    return seconds ? fromUtcSeconds(*seconds) : DateTime();
}

platform::CivilTime DateTime::fields() const { return civilFromSeconds(seconds_ + offset_); }

DateTime DateTime::addSeconds(std::int64_t seconds) const {
    if (!valid_) return *this;
    DateTime t = *this;
    t.seconds_ += seconds;
    return t;
}

std::string IsoText(const DateTime& when) {
    if (!when.isValid()) return {};
    const platform::CivilTime f = when.fields();
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", f.year, f.month, f.day, f.hour, f.minute,
                  f.second);
    std::string iso = text;
    const int offset = when.offsetSeconds();
    if (offset == 0) return iso + "Z";
    const int minutes = (offset < 0 ? -offset : offset) / 60;
    std::snprintf(text, sizeof text, "%c%02d:%02d", offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
    return iso + text;
}

DateTime ParseIsoText(const std::string& text) {
    platform::CivilTime f;
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &f.year, &f.month, &f.day, &f.hour, &f.minute,
                    &f.second, &consumed) != 6 ||
        consumed != 19) {
        return {};
    }
    const std::string zone = text.substr(19);
    if (zone.empty()) return DateTime::fromLocalFields(f);
    if (zone == "Z") return DateTime::fromFields(f, 0);
    int hours = 0, minutes = 0, zoneConsumed = 0;
    if ((zone[0] != '+' && zone[0] != '-') ||
        std::sscanf(zone.c_str() + 1, "%2d:%2d%n", &hours, &minutes, &zoneConsumed) != 2 ||
        zoneConsumed != 5 || zone.size() != 6) {
        return {};
    }
    const int offset = (hours * 60 + minutes) * 60;
    return DateTime::fromFields(f, zone[0] == '-' ? -offset : offset);
}

std::string GeneralDateText(const DateTime& when) { return platform::GeneralDateText(when.fields()); }

DateTime CurrentDateTime() {
    std::lock_guard lock(clockMutex);
    if (pinned.isValid()) return pinned;
    const auto now = std::chrono::system_clock::now();
    return DateTime::fromUtcSeconds(std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count());
}

void PinCurrentDateTimeForTests(const DateTime& when) {
    std::lock_guard lock(clockMutex);
    pinned = when;
}

}  // namespace config

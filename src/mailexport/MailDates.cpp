#include "mailexport/MailDates.h"

#include <array>
#include <cstdio>
#include <vector>

#include "config/OperationTime.h"
#include "platform/Text.h"

namespace mailexport {

namespace {

constexpr std::array<std::string_view, 12> kMonths{"jan", "feb", "mar", "apr", "may", "jun",
                                                   "jul", "aug", "sep", "oct", "nov", "dec"};
constexpr std::array<std::string_view, 7> kDays{"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};  // from 1970-01-01
constexpr std::int64_t kDay = 86400;

// The first second of a UTC day, counted by the program's one calendar;
// nothing when there is no such day (30 February).
std::optional<std::int64_t> dayStart(int year, int month, int day) {
    const config::DateTime start = config::DateTime::fromFields({year, month, day, 0, 0, 0}, 0);
    return start.isValid() ? std::optional<std::int64_t>(start.utcSeconds()) : std::nullopt;
}

// The date and time `seconds` names in UTC.
platform::CivilTime utcFields(std::int64_t seconds) { return config::DateTime::atOffset(seconds, 0).fields(); }

std::optional<int> number(std::string_view s) {
    if (s.empty() || s.size() > 4) return std::nullopt;
    int n = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

std::optional<unsigned> monthOf(std::string_view word) {
    const std::string lower = platform::toLowerAscii(word.substr(0, 3));
    for (unsigned m = 0; m < kMonths.size(); ++m) {
        if (word.size() >= 3 && lower == kMonths[m]) return m + 1;
    }
    return std::nullopt;
}

// Minutes east of UTC: "+0100", "-0500", or the obsolete names (military
// letters and unknown names count as UTC, as RFC 5322 asks).
int zoneMinutes(std::string_view word) {
    if (word.size() == 5 && (word[0] == '+' || word[0] == '-')) {
        if (auto hhmm = number(word.substr(1))) {
            const int minutes = *hhmm / 100 * 60 + *hhmm % 100;
            return word[0] == '-' ? -minutes : minutes;
        }
    }
    static constexpr std::pair<std::string_view, int> kNames[] = {
        {"EST", -300}, {"EDT", -240}, {"CST", -360}, {"CDT", -300},
        {"MST", -420}, {"MDT", -360}, {"PST", -480}, {"PDT", -420}};
    for (const auto& [name, minutes] : kNames) {
        if (platform::equalsNoCase(word, name)) return minutes;
    }
    return 0;
}

// "10:22:33" or "10:22": seconds into the day.
std::optional<int> timeOfDay(std::string_view word) {
    const auto parts = platform::splitAll(word, ':');
    if (parts.size() < 2 || parts.size() > 3) return std::nullopt;
    const auto h = number(parts[0]), m = number(parts[1]);
    const auto s = parts.size() == 3 ? number(parts[2]) : std::optional<int>(0);
    if (!h || !m || !s || *h > 23 || *m > 59 || *s > 60) return std::nullopt;
    return *h * 3600 + *m * 60 + *s;
}

int fullYear(int year, std::size_t digits) {
    if (digits == 2) return year < 50 ? 2000 + year : 1900 + year;
    if (digits == 3) return 1900 + year;
    return year;
}

// The words of the date: comments in parentheses and commas taken out.
std::vector<std::string> wordsOf(std::string_view text) {
    std::string plain;
    int depth = 0;
    for (char c : text) {
        if (c == '(') ++depth;
        else if (c == ')' && depth > 0) --depth;
        else if (depth == 0) plain += (c == ',' || c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
    }
    std::vector<std::string> words;
    for (auto& w : platform::splitAll(plain, ' ')) {
        if (!w.empty()) words.push_back(std::move(w));
    }
    return words;
}

}  // namespace

std::optional<std::int64_t> ParseMailDate(std::string_view text) {
    auto words = wordsOf(text);
    // An optional day name first ("Tue").
    if (!words.empty() && !number(words[0]) && !monthOf(words[0]).has_value()) words.erase(words.begin());
    if (words.size() < 4) return std::nullopt;
    // "15 Mar 2011 10:22:33 +0100", or asctime's "Mar 15 10:22:33 2011".
    std::optional<int> day, year;
    std::optional<unsigned> month;
    std::optional<int> time;
    std::size_t yearDigits = 4, zoneAt = 4;
    if (auto m = monthOf(words[0]); m && words.size() >= 4) {
        month = m, day = number(words[1]), time = timeOfDay(words[2]), year = number(words[3]);
        yearDigits = words[3].size();
    } else {
        day = number(words[0]), month = monthOf(words[1]), year = number(words[2]), time = timeOfDay(words[3]);
        yearDigits = words[2].size();
    }
    if (!day || !month || !year || !time || yearDigits < 2) return std::nullopt;
    const auto start = dayStart(fullYear(*year, yearDigits), static_cast<int>(*month), *day);
    if (!start) return std::nullopt;
    const int zone = words.size() > zoneAt ? zoneMinutes(words[zoneAt]) : 0;
    return *start + *time - zone * 60;
}

std::optional<std::string> AsctimeUtc(std::int64_t seconds) {
    static const std::int64_t first = *dayStart(1000, 1, 1), end = *dayStart(10000, 1, 1);
    if (seconds < first || seconds >= end) return std::nullopt;
    const platform::CivilTime t = utcFields(seconds);
    const std::int64_t days = seconds >= 0 ? seconds / kDay : -((-seconds + kDay - 1) / kDay);
    const std::string weekday(kDays[static_cast<std::size_t>((days % 7 + 7) % 7)]);
    std::string month(kMonths[static_cast<std::size_t>(t.month - 1)]);
    month[0] = static_cast<char>(month[0] - 'a' + 'A');
    char text[32];
    std::snprintf(text, sizeof text, "%s %s %2d %02d:%02d:%02d %04d", weekday.c_str(), month.c_str(), t.day, t.hour,
                  t.minute, t.second, t.year);
    return std::string(text);
}

std::string ListingDate(std::int64_t seconds) {
    const platform::CivilTime t = utcFields(seconds);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", t.year, t.month, t.day, t.hour, t.minute);
    return std::string(text);
}

}  // namespace mailexport

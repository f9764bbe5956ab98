#include "mailexport/MailDates.h"

#include <array>
#include <cstdio>
#include <vector>

#include "platform/Text.h"

namespace mailexport {

namespace {

constexpr std::array<std::string_view, 12> kMonths{"jan", "feb", "mar", "apr", "may", "jun",
                                                   "jul", "aug", "sep", "oct", "nov", "dec"};
constexpr std::array<std::string_view, 7> kDays{"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};  // from 1970-01-01
constexpr std::int64_t kDay = 86400;

struct Civil {
    std::int64_t year;
    unsigned month;  // 1-12
    unsigned day;    // 1-31
};

// Days since 1970-01-01 of a proleptic Gregorian date, and back (the
// algorithms of H. Hinnant's "chrono-compatible low-level date algorithms").
std::int64_t daysFromCivil(Civil c) {
    const std::int64_t y = c.year - (c.month <= 2);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (c.month > 2 ? c.month - 3 : c.month + 9) + 2) / 5 + c.day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

Civil civilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const auto day = static_cast<unsigned>(doy - (153 * mp + 2) / 5 + 1);
    const auto month = static_cast<unsigned>(mp < 10 ? mp + 3 : mp - 9);
    return {yoe + era * 400 + (month <= 2), month, day};
}

// A moment split into its day and its second of that day.
struct Moment {
    std::int64_t days;  // since 1970-01-01
    Civil date;
    int hour, minute, second;
};
Moment momentOf(std::int64_t seconds) {
    const std::int64_t days = seconds >= 0 ? seconds / kDay : -((-seconds + kDay - 1) / kDay);
    const auto inDay = static_cast<int>(seconds - days * kDay);
    return {days, civilFromDays(days), inDay / 3600, inDay / 60 % 60, inDay % 60};
}

unsigned daysInMonth(std::int64_t year, unsigned month) {
    static constexpr unsigned kLengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kLengths[month - 1];
}

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

std::int64_t fullYear(int year, std::size_t digits) {
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
    const Civil date{fullYear(*year, yearDigits), *month, static_cast<unsigned>(*day)};
    if (date.day < 1 || date.day > daysInMonth(date.year, date.month)) return std::nullopt;
    const int zone = words.size() > zoneAt ? zoneMinutes(words[zoneAt]) : 0;
    return daysFromCivil(date) * kDay + *time - zone * 60;
}

std::optional<std::string> AsctimeUtc(std::int64_t seconds) {
    const Moment m = momentOf(seconds);
    if (m.date.year < 1000 || m.date.year > 9999) return std::nullopt;
    const std::string weekday(kDays[static_cast<std::size_t>((m.days % 7 + 7) % 7)]);
    std::string month(kMonths[m.date.month - 1]);
    month[0] = static_cast<char>(month[0] - 'a' + 'A');
    char text[32];
    std::snprintf(text, sizeof text, "%s %s %2u %02d:%02d:%02d %04d", weekday.c_str(), month.c_str(), m.date.day,
                  m.hour, m.minute, m.second, static_cast<int>(m.date.year));
    return std::string(text);
}

std::string ListingDate(std::int64_t seconds) {
    const Moment m = momentOf(seconds);
    char text[40];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02u %02d:%02d", static_cast<long long>(m.date.year), m.date.month,
                  m.date.day, m.hour, m.minute);
    return std::string(text);
}

}  // namespace mailexport

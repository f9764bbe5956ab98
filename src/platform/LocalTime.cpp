#include "platform/LocalTime.h"

#include <ctime>

namespace platform {

std::optional<std::int64_t> LocalTimeToUtc(const CivilTime& local) {
    std::tm t{};
    t.tm_year = local.year - 1900;
    t.tm_mon = local.month - 1;
    t.tm_mday = local.day;
    t.tm_hour = local.hour;
    t.tm_min = local.minute;
    t.tm_sec = local.second;
    t.tm_isdst = -1;  // whatever the zone says for that day
    const std::time_t seconds = std::mktime(&t);
    if (seconds == static_cast<std::time_t>(-1)) return std::nullopt;
    return static_cast<std::int64_t>(seconds);
}

}  // namespace platform

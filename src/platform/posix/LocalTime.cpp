#include "platform/LocalTime.h"

#include <cstdio>
#include <ctime>

namespace platform {

int LocalOffsetAt(std::int64_t utcSeconds) {
    const std::time_t t = static_cast<std::time_t>(utcSeconds);
    std::tm local{};
    if (!::localtime_r(&t, &local)) return 0;
    return static_cast<int>(local.tm_gmtoff);
}

std::string GeneralDateText(const CivilTime& local) {
    const int hour12 = local.hour % 12 == 0 ? 12 : local.hour % 12;
    char text[64];
    std::snprintf(text, sizeof text, "%d/%d/%04d %d:%02d:%02d %s", local.month, local.day, local.year, hour12,
                  local.minute, local.second, local.hour < 12 ? "AM" : "PM");
    return text;
}

}  // namespace platform

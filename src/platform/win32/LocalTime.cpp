#include "platform/LocalTime.h"

#include <windows.h>

#include <ctime>

namespace platform {

namespace {

SYSTEMTIME systemTimeOf(const CivilTime& local) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(local.year);
    st.wMonth = static_cast<WORD>(local.month);
    st.wDay = static_cast<WORD>(local.day);
    st.wHour = static_cast<WORD>(local.hour);
    st.wMinute = static_cast<WORD>(local.minute);
    st.wSecond = static_cast<WORD>(local.second);
    return st;
}

// One of the locale's formatters into a buffer of the size it asks for.
template <class Format>
std::string formatted(Format format) {
    const int size = format(nullptr, 0);
    if (size <= 0) return {};
    std::string text(static_cast<std::size_t>(size), '\0');
    if (format(text.data(), size) <= 0) return {};
    text.resize(static_cast<std::size_t>(size - 1));  // without its terminating zero
    return text;
}

}  // namespace

int LocalOffsetAt(std::int64_t utcSeconds) {
    const std::time_t t = static_cast<std::time_t>(utcSeconds);
    std::tm local{};
    if (::localtime_s(&local, &t) != 0) return 0;
    // The local fields read as UTC, less the moment itself.
    return static_cast<int>(static_cast<std::int64_t>(::_mkgmtime(&local)) - utcSeconds);
}

std::string GeneralDateText(const CivilTime& local) {
    const SYSTEMTIME st = systemTimeOf(local);
    const std::string date = formatted([&](char* out, int size) {
        return ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, out, size);
    });
    const std::string time = formatted([&](char* out, int size) {
        return ::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, out, size);
    });
    return date + " " + time;
}

}  // namespace platform

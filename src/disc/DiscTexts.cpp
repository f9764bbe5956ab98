#include "disc/DiscTexts.h"

#include "config/OperationTime.h"
#include "disc/DiscCodes.h"

#include <cstdio>

namespace disc {
namespace {

constexpr const char* kLineBreak = "\r\n";

template <typename... Values>
std::string printed(const char* format, Values... values) {
    char text[64];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// Thousands separators for the integer part of a fixed-point text.
std::string grouped(const std::string& fixed) {
    const std::size_t point = fixed.find('.');
    std::string whole = fixed.substr(0, point);
    for (int at = static_cast<int>(whole.size()) - 3; at > 0; at -= 3) whole.insert(static_cast<std::size_t>(at), ",");
    return whole + (point == std::string::npos ? "" : fixed.substr(point));
}

}  // namespace

std::string FormatMegabytes(double bytes) { return printed("%.2f", bytes / 1048576.0) + " MB"; }

std::string FormatKilobytes(std::uint64_t bytes) {
    return grouped(printed("%.2f", static_cast<double>(bytes) / 1000.0)) + " KB";
}

std::string FormatListDate(std::time_t date) {
    const platform::CivilTime t = config::DateTime::fromUtcSeconds(date).fields();
    const int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
    return printed("%02d/%02d/%04d ", t.month, t.day, t.year) +
           printed("%02d:%02d:%02d ", hour12, t.minute, t.second) + (t.hour < 12 ? "AM" : "PM");
}

std::string FormatSpeedMultiplier(double multiplier) {
    // "#.0" has no leading zero below one.
    std::string text = printed("%.1f", multiplier);
    if (text.rfind("0.", 0) == 0) text.erase(0, 1);
    return text + "x";
}

std::string FormatWriteError(const ErrorRecord& e) {
    switch (e.Category) {
    case kDeviceError:
        return "Device Error: (" + std::to_string(e.DeviceError.number) + ")   " + e.DeviceError.description +
               kLineBreak + e.DeviceError.detail + " - " + std::to_string(e.DeviceError.detailCode);
    case kOutputFileError:
    case kSourceFileError:
        return std::string(e.Category == kOutputFileError ? "Output File Error: (" : "Source File Error: (") +
               std::to_string(e.FileError.number) + ")   " + e.FileError.description + kLineBreak + "'" +
               e.FileError.fileName + "'";
    case kSystemError:
        return "System Error: (" + std::to_string(e.SystemCode) + ")   " + e.description;
    default:
        return "Write Error: (" + std::to_string(e.Category) + ")   " + e.description;
    }
}

std::string FormatEraseDeviceError(const DeviceErrorRecord& e) {
    return "Device Error: (" + std::to_string(e.number) + ")   " + e.description + kLineBreak + "(" +
           std::to_string(e.detailCode) + ") " + e.detail;
}

std::string VerifyErrorHeading(int result) {
    switch (result) {
    case kSourceUnreadable: return "Verify Error - Could not read Source file from disc: ";
    case kDiscFileUnreadable: return "Verify Error - Could not read Destination file from disc: ";
    case kContentsDiffer: return "Verify Error - Source and Destination file did not match: ";
    case kSizesDiffer: return "Verify Error - Size of Source and Destination file did not match: ";
    default: return "";
    }
}

std::string FreeSpaceShortage(double freeBytes, double requiredBytes) {
    if (freeBytes >= requiredBytes) return "";
    return "Free Space on the loaded disc is " + FormatMegabytes(freeBytes) + "!" + kLineBreak +
           "This data image requires " + FormatMegabytes(requiredBytes) + " of Free Space!";
}

ErrorRecord VerifyMismatchError(long checked, long matched) {
    ErrorRecord e;
    e.Category = 4;
    e.description = "Verification found " + std::to_string(checked - matched) + " of " + std::to_string(checked) +
                    " files that do not match their sources.";
    return e;
}

}  // namespace disc

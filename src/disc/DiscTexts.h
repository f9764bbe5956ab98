#pragma once
// The texts the disc windows build from engine values.

#include "disc/DiscRecords.h"

#include <cstdint>
#include <string>

namespace disc {

// "#########0.#0 MB" of bytes / 1,048,576.
std::string FormatMegabytes(double bytes);
// "###,###,##0.00 KB" of bytes / 1,000, for the file list.
std::string FormatKilobytes(std::uint64_t bytes);
// "MM/DD/YYYY hh:mm:ss AMPM" in local time.
std::string FormatListDate(std::time_t date);
// "#.0" + "x".
std::string FormatSpeedMultiplier(double multiplier);
// The write error message of the error record, by its category.
std::string FormatWriteError(const ErrorRecord& error);
// The erase window's device error message.
std::string FormatEraseDeviceError(const DeviceErrorRecord& error);
// Heading of a verify result that is reported, empty for 3 and 4.
std::string VerifyErrorHeading(int result);
// A disc that does not hold what was meant to be on it is not a success:
// the write error of a verification that found files differing.
ErrorRecord VerifyMismatchError(long checked, long matched);
// The free-space message, or empty when the image fits (equal sizes fit).
std::string FreeSpaceShortage(double freeBytes, double requiredBytes);

}  // namespace disc

#pragma once
// The password window in Win32, for a protected backup file.

#include <windows.h>

#include <optional>
#include <string>

namespace win32 {

// The text exactly as typed (no trimming), or nothing when cancelled.
std::optional<std::string> AskPassword(HWND owner);

}  // namespace win32

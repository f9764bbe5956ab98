#pragma once
// The about window in Win32: name, version and the maker's contact points.

#include <windows.h>

#include "platform/Launcher.h"

namespace win32 {

// The addresses open with the system's handler through `launcher`.
void ShowAboutWindow(platform::Launcher& launcher, HWND owner);

}  // namespace win32

#pragma once
// The settings window in Win32: three pages of check boxes, the backup
// folder with its browser, the scheduled backup's file option; OK saves
// through app::SaveSettingsValues, Cancel writes nothing.

#include <windows.h>

#include "platform/Services.h"

namespace win32 {

void ShowSettingsWindow(platform::Services& services, HWND owner);

}  // namespace win32

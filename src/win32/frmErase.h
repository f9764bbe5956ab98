#pragma once
// The erase window in Win32: the quick-erase box, the note, the status and
// the progress; what it decides is disc::EraseWindowLogic's.

#include <windows.h>

#include "disc/DiscEngine.h"
#include "platform/Dialogs.h"

namespace win32 {

void ShowEraseWindow(platform::Dialogs& dialogs, disc::DiscDevice& device, disc::DiscEngine& engine, HWND owner);

}  // namespace win32

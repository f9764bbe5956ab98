#pragma once
// The disc writing window in Win32: the folder tree and the file list of the
// data image (both with the shell's pictures, names edited in place, files
// dropped from the desktop), the writer's settings, the menus and the status
// bar. What it decides is disc::DiscWriteWindowLogic's; the discs are
// written through Windows' own IMAPI2.

#include <windows.h>

#include <memory>
#include <string>

#include "disc/DiscEngine.h"
#include "platform/Dialogs.h"

namespace win32 {

// The window over `engine` (the program's is IMAPI2's). The backup just
// written (`pendingName` at `pendingPath`) stands in the list when the
// window opens; both are empty when there is none.
void ShowDiscWindow(platform::Dialogs& dialogs, HWND owner, std::unique_ptr<disc::DiscEngine> engine,
                    const std::string& pendingName, const std::string& pendingPath);

}  // namespace win32

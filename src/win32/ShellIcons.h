#pragma once
// The shell's own pictures (a folder, a fixed drive) for the windows' icon
// buttons and pictures.

#include <windows.h>
#include <shellapi.h>

namespace win32 {

// The shell's icon, small or large; the caller destroys it. Where the shell
// hands out none for the stock number (Wine's does not), the icon of that
// resource number in shell32.dll, which numbers its icons the same way;
// nullptr when neither has one.
HICON ShellIcon(SHSTOCKICONID stock, int shell32Resource, bool small);

inline constexpr int kShell32FolderIcon = 4;
inline constexpr int kShell32FixedDriveIcon = 9;
inline constexpr int kShell32CdDriveIcon = 12;
inline constexpr int kShell32DocumentIcon = 1;

}  // namespace win32

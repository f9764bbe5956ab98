#pragma once
// Every message box, file dialog and folder browser of the Win32 windows:
// MessageBoxW with the program's title, the common open and save dialogs,
// SHBrowseForFolderW, and the password window.

#include <windows.h>

#include "platform/Dialogs.h"

namespace win32 {

class Win32Dialogs : public platform::Dialogs {
public:
    // The window the dialogs are modal over; none before the main window exists.
    void setOwner(HWND owner) { owner_ = owner; }

    platform::Answer message(const std::string& text, platform::Icon icon, platform::Buttons buttons = platform::Buttons::Ok,
                             const std::string& title = {}) override;
    std::optional<std::string> saveFile(const platform::FileDialogRequest& request) override;
    std::optional<std::string> openFile(const platform::FileDialogRequest& request) override;
    std::optional<std::string> browseFolder(const std::string& prompt) override;
    std::optional<std::string> askPassword() override;

private:
    // The active window of this thread when there is one (a modal window
    // over the main one), else the main window.
    HWND owner() const;
    HWND owner_ = nullptr;
};

}  // namespace win32

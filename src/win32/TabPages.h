#pragma once
// A tab control with one page per caption over its display area, the way
// the main and the settings window show their panes: the chosen page stands
// above the tab control (which would otherwise paint over it) and so comes
// first in the Tab order, the others are hidden.

#include <windows.h>

#include <string>
#include <vector>

#include "win32/Form.h"

namespace win32 {

class TabPages {
public:
    // `tabs` in the form, `pages` (the display area) in the form too.
    TabPages(Form& form, int id, Box tabs, Box pages, const std::vector<std::string>& captions);

    HWND page(std::size_t index) const { return pages_[index]; }
    int current() const;
    void show(int index);
    // True for the tab control's "selection changed" notification.
    bool changed(LPARAM notification) const;

private:
    HWND tabs_;
    int id_;
    std::vector<HWND> pages_;
};

}  // namespace win32

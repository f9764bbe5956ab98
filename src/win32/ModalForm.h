#pragma once
// What the program's modal windows add to Form, so that they answer the
// keyboard as dialogs do: the focus starts on the first control that takes
// Tab and comes back where the user left it when the window is active again
// (after a message box over it, say), and Enter presses the push button that
// has the focus, else the window's default button.

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "win32/Form.h"

namespace win32 {

class ModalForm : public Form {
public:
    ModalForm(const std::string& caption, int clientWidth, int clientHeight, HWND owner)
        : Form(caption, clientWidth, clientHeight, /*mainWindow*/ false, owner) {}

protected:
    // A framed group straight on the window. The window clips its children
    // when it paints, and a group box paints only its frame and caption, so
    // a plain one would leave its inside unpainted; a transparent one is
    // left out of that clipping.
    HWND frame(const std::string& caption, Box box) {
        return add(WC_BUTTONW, caption, BS_GROUPBOX, -1, box, WS_EX_TRANSPARENT);
    }
    // Enter (IDOK from the dialog keys) presses `defaultButton`, created
    // with isDefault, while it is enabled.
    void onEnter(int defaultButton);
    // Derived windows that handle messages of their own call this first.
    bool handleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    HWND focus_ = nullptr;
};

}  // namespace win32

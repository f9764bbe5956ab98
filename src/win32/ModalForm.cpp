#include "win32/ModalForm.h"

namespace win32 {

namespace {

// A click on `button`, told to the window the way the button itself tells it.
void click(HWND button) {
    SendMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

bool usable(HWND control) { return control && IsWindow(control) && IsWindowVisible(control) && IsWindowEnabled(control); }

}  // namespace

void ModalForm::onEnter(int defaultButton) {
    onCommand(IDOK, [this, defaultButton] {
        // The dialog keys send IDOK for Enter wherever the focus is; a
        // focused push button other than the default one is meant instead.
        HWND focus = GetFocus();
        if (focus && IsChild(handle(), focus) && (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON)) {
            click(focus);
            return;
        }
        HWND button = control(defaultButton);
        if (usable(button)) click(button);
    });
}

bool ModalForm::handleMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message != WM_ACTIVATE) return false;
    if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(handle(), focus)) focus_ = focus;
    } else if (!HIWORD(wParam)) {  // not minimised
        HWND to = usable(focus_) ? focus_ : GetNextDlgTabItem(handle(), nullptr, FALSE);
        SetFocus(to ? to : handle());
    }
    result = 0;
    return true;
}

}  // namespace win32

#include "win32/frmPwd.h"

#include "config/Globals.h"
#include "win32/ControlIds.h"
#include "win32/ModalForm.h"

namespace win32 {

namespace {

class frmPwd : public ModalForm {
public:
    explicit frmPwd(HWND owner) : ModalForm(config::kPasswordCaption, 320, 126, owner) {
        frame(config::kPasswordFrame, {8, 8, 304, 72});
        label(config::kPasswordPrompt, {18, 28, 284, 16});
        edit(ids::pwdPassword, {18, 46, 284, 23}, ES_PASSWORD);
        button(ids::cmdOK, config::kOkCaption, {146, 90, 80, 26}, true);
        button(ids::cmdExit, config::kCancelCaption, {232, 90, 80, 26});
        onCommand(ids::cmdOK, [this] {
            password_ = windowText(control(ids::pwdPassword));
            endModal(IDOK);
        });
        onCommand(ids::cmdExit, [this] { endModal(IDCANCEL); });
        onEnter(ids::cmdOK);
    }

    std::optional<std::string> ask() {
        if (showModal() != IDOK) return std::nullopt;
        return password_;
    }

private:
    std::string password_;
};

}  // namespace

std::optional<std::string> AskPassword(HWND owner) {
    frmPwd window(owner);
    return window.ask();
}

}  // namespace win32

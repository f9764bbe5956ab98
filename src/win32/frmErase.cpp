#include "win32/frmErase.h"

#include <commctrl.h>

#include "disc/EraseWindow.h"
#include "win32/ControlIds.h"
#include "win32/ModalForm.h"

namespace win32 {

namespace {

class frmErase : public ModalForm, private disc::EraseWindowView {
public:
    frmErase(platform::Dialogs& dialogs, HWND owner)
        : ModalForm(disc::kEraseCaption, 360, 196, owner),
          logic_(dialogs, *this, [this](std::function<void()> work) { post(std::move(work)); }) {
        checkBox(ids::chkQuikErase, disc::kQuickEraseCaption, {12, 12, 300, 18});
        setChecked(control(ids::chkQuikErase), true);
        label(disc::kEraseNote, {12, 36, 336, 64});
        label("", {12, 106, 336, 16}, ids::lblEraseStatus);
        add(PROGRESS_CLASSW, "", 0, ids::prgEraseProgress, {12, 126, 336, 18});
        SendMessageW(control(ids::prgEraseProgress), PBM_SETRANGE32, 0, 100);
        // Neither is the default button: Enter must never start an erase.
        button(ids::cmdErase, disc::kEraseButtonCaption, {182, 160, 80, 26});
        button(ids::cmdCancelErase, disc::kEraseCancelCaption, {268, 160, 80, 26});
        onCommand(ids::cmdErase, [this] { logic_.cmdErase_Click(); });
        onCommand(ids::cmdCancelErase, [this] { closeWindow(); });
    }

    void show(disc::DiscDevice& device, disc::DiscEngine& engine) {
        logic_.PrepareErase(&device, &engine);
        showModal();
    }

protected:
    bool mayClose() override { return logic_.mayClose(); }

private:
    bool quickEraseChecked() const override { return isChecked(control(ids::chkQuikErase)); }
    void setStatus(const std::string& text) override { setWindowText(control(ids::lblEraseStatus), text); }
    void setProgress(int percent) override {
        SendMessageW(control(ids::prgEraseProgress), PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    }
    void setButtonsEnabled(bool enabled) override {
        EnableWindow(control(ids::cmdErase), enabled);
        EnableWindow(control(ids::cmdCancelErase), enabled);
    }
    // Through the close box's path, so that a running erase keeps the window.
    void closeWindow() override { PostMessageW(handle(), WM_CLOSE, 0, 0); }

    disc::EraseWindowLogic logic_;
};

}  // namespace

void ShowEraseWindow(platform::Dialogs& dialogs, disc::DiscDevice& device, disc::DiscEngine& engine, HWND owner) {
    frmErase window(dialogs, owner);
    window.show(device, engine);
}

}  // namespace win32

#include "win32/frmabout.h"

#include <commctrl.h>

#include "config/Globals.h"
#include "win32/ControlIds.h"
#include "win32/ModalForm.h"
#include "win32/ProductHeading.h"

namespace win32 {

namespace {

const std::string kEmailTarget = std::string("mailto:") + config::kProductEmail;
const std::string kWebsiteTarget = config::kProductWebsite;

class frmabout : public ModalForm {
public:
    frmabout(platform::Launcher& launcher, HWND owner)
        : ModalForm(config::kAboutCaption, 520, 166, owner), launcher_(launcher) {
        heading_.addTo(*this, {16, 16, 32, 32}, {64, 16, 440, 24});
        label(config::kAboutThanks, {64, 46, 440, 16});
        // Exit first in the Tab order: the window opens with the focus on
        // it, so Enter closes it rather than opening an address.
        button(ids::Command3About, config::kAboutExitCaption, {432, 130, 80, 26}, true);
        label(config::kAboutEmailLabel, {64, 76, 120, 16});
        link(ids::aboutEmail, config::kProductEmail, kEmailTarget, {184, 76, 330, 18});
        label(config::kAboutWebsiteLabel, {64, 98, 120, 16});
        link(ids::aboutWebsite, config::kProductWebsite, kWebsiteTarget, {184, 98, 330, 18});
        onCommand(ids::Command3About, [this] { endModal(IDOK); });
        onEnter(ids::Command3About);
    }

protected:
    bool handleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        if (ModalForm::handleMessage(message, wParam, lParam, result)) return true;
        if (message != WM_NOTIFY) return false;
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code != NM_CLICK && header->code != NM_RETURN) return false;
        if (!open(static_cast<int>(header->idFrom))) return false;
        result = 0;
        return true;
    }

private:
    // An address that opens when clicked: a link control, or where the
    // system has none (common controls before version 6) a text that
    // reports its clicks.
    void link(int id, const std::string& text, const std::string& target, Box box) {
        INITCOMMONCONTROLSEX links{sizeof(links), ICC_LINK_CLASS};
        InitCommonControlsEx(&links);
        if (!add(WC_LINK, "<a href=\"" + target + "\">" + text + "</a>", WS_TABSTOP, id, box)) {
            label(text, box, id);
            HWND plain = control(id);
            SetWindowLongPtrW(plain, GWL_STYLE, GetWindowLongPtrW(plain, GWL_STYLE) | SS_NOTIFY);
        }
        onCommand(id, [this, id] { open(id); });
    }

    bool open(int id) {
        if (id == ids::aboutEmail) {
            config::ShellOpen(launcher_, kEmailTarget);
            return true;
        }
        if (id == ids::aboutWebsite) {
            config::ShellOpen(launcher_, kWebsiteTarget);
            return true;
        }
        return false;
    }

    platform::Launcher& launcher_;
    ProductHeading heading_;
};

}  // namespace

void ShowAboutWindow(platform::Launcher& launcher, HWND owner) {
    frmabout window(launcher, owner);
    window.showModal();
}

}  // namespace win32

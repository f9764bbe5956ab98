#include "win32/Frmoption.h"

#include <commctrl.h>

#include "config/Globals.h"
#include "items/Catalogue.h"
#include "platform/win32/WideText.h"
#include "schedule/ScheduleWindow.h"
#include "win32/ControlIds.h"
#include "win32/ModalForm.h"

namespace win32 {

namespace {

constexpr int kClientWidth = 520;
constexpr int kClientHeight = 600;

class Frmoption : public ModalForm, private schedule::ScheduleWindowView {
public:
    Frmoption(session::MainSession& session, schedule::TaskScheduler& scheduler, HWND owner)
        : ModalForm(schedule::kScheduleCaption, kClientWidth, kClientHeight, owner),
          logic_(session, scheduler, *this) {
        buildItems();
        buildSchedule();
        buildSecurity();
        label(schedule::kScheduleNote, {8, 514, 504, 44});  // wraps at word ends
        button(ids::Command3Schedule, schedule::kAddTaskCaption, {180, 566, 156, 26}, true);
        button(ids::Command1Schedule, schedule::kDisableTaskCaption, {342, 566, 90, 26});
        button(ids::Command2Schedule, config::kCancelCaption, {438, 566, 74, 26});
        greyBrush_ = GetSysColorBrush(COLOR_SCROLLBAR);
        onCommand(ids::chkDaily, [this] { logic_.chkDaily_Click(); });
        onCommand(ids::scheduleIfprotect, [this] { logic_.ifprotect_Click(); });
        onCommand(ids::scheduleCmdTargetFile, [this] { logic_.cmdTargetFile_Click(); });
        onCommand(ids::Command3Schedule, [this] { logic_.Command3_Click(); });
        onCommand(ids::Command1Schedule, [this] { logic_.Command1_Click(); });
        onCommand(ids::Command2Schedule, [this] { endModal(IDCANCEL); });
        onEnter(ids::Command3Schedule);
        logic_.ifprotect_Click();
    }

    void Form_Load() { logic_.Form_Load(); }

protected:
    bool handleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        if (ModalForm::handleMessage(message, wParam, lParam, result)) return true;
        if (message != WM_CTLCOLORSTATIC || passwordsUsable_) return false;
        // The password boxes, disabled, in the grey of scroll bars.
        HWND box = reinterpret_cast<HWND>(lParam);
        if (box != control(ids::schedulePassword) && box != control(ids::schedulePassword2)) return false;
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_SCROLLBAR));
        result = reinterpret_cast<LRESULT>(greyBrush_);
        return true;
    }

private:
    void buildItems() {
        frame(schedule::kWhatFrame, {8, 8, 504, 212});
        label(schedule::kItemsLabel, {18, 26, 300, 16});
        for (const auto& item : items::kCatalogue) {
            const int column = static_cast<int>(item.index) % 2, row = static_cast<int>(item.index) / 2;
            // A caption's "&" is a letter here, not a shortcut mark.
            std::string caption;
            for (char c : item.caption) caption += c == '&' ? std::string("&&") : std::string(1, c);
            // The first column holds the long first caption.
            checkBox(ids::scheduleitem + static_cast<int>(item.index), caption,
                     column == 0 ? Box{18, 46 + row * 22, 330, 20} : Box{354, 46 + row * 22, 150, 20});
        }
        label(schedule::kUserLabel, {18, 187, 100, 16});
        edit(ids::scheduleSource, {122, 184, 220, 23});
    }

    void buildSchedule() {
        frame(schedule::kScheduleFrame, {8, 228, 504, 174});
        label(schedule::kStartTimeLabel, {18, 249, 100, 16});
        add(WC_COMBOBOXW, "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, ids::cmbStartTime, {122, 245, 90, 240});
        for (std::size_t d = 0; d < schedule::kDayCaptions.size(); ++d) {
            const int column = static_cast<int>(d) % 4, row = static_cast<int>(d) / 4;
            checkBox(ids::weekday + static_cast<int>(d), schedule::kDayCaptions[d],
                     {18 + column * 124, 276 + row * 22, 116, 20});
        }
        checkBox(ids::chkDaily, schedule::kDailyCaption, {18, 320, 116, 20});
        label(schedule::kTargetLabel, {18, 348, 484, 16});
        edit(ids::scheduleTargetFile, {18, 366, 398, 23});
        button(ids::scheduleCmdTargetFile, schedule::kBrowseCaption, {422, 365, 80, 25});
    }

    void buildSecurity() {
        frame(schedule::kSecurityFrame, {8, 410, 504, 98});
        checkBox(ids::scheduleIfprotect, schedule::kProtectCaption, {18, 428, 300, 20});
        label(schedule::kPasswordLabel, {18, 456, 110, 16});
        edit(ids::schedulePassword, {132, 453, 200, 23}, ES_PASSWORD);
        label(schedule::kRetypePasswordLabel, {18, 481, 110, 16});
        edit(ids::schedulePassword2, {132, 478, 200, 23}, ES_PASSWORD);
    }

    HWND item(std::size_t index) const { return control(ids::scheduleitem + static_cast<int>(index)); }
    HWND day(std::size_t d) const { return control(ids::weekday + static_cast<int>(d)); }

    // schedule::ScheduleWindowView
    bool itemChecked(std::size_t index) const override { return isChecked(item(index)); }
    void setItemChecked(std::size_t index, bool on) override { setChecked(item(index), on); }
    void setItemEnabled(std::size_t index, bool on) override { EnableWindow(item(index), on); }
    bool dayChecked(std::size_t d) const override { return isChecked(day(d)); }
    void setDayChecked(std::size_t d, bool on) override { setChecked(day(d), on); }
    bool dailyChecked() const override { return isChecked(control(ids::chkDaily)); }
    std::string userText() const override { return windowText(control(ids::scheduleSource)); }
    void setUserText(const std::string& text) override { setWindowText(control(ids::scheduleSource), text); }

    void setStartTimes(const std::vector<std::string>& times, const std::string& current) override {
        HWND combo = control(ids::cmbStartTime);
        SendMessageW(combo, CB_RESETCONTENT, 0, 0);
        for (const auto& time : times) {
            SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(platform::wide(time).c_str()));
        }
        const LRESULT at = SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                        reinterpret_cast<LPARAM>(platform::wide(current).c_str()));
        SendMessageW(combo, CB_SETCURSEL, at == CB_ERR ? 0 : static_cast<WPARAM>(at), 0);
    }

    // A drop-down list shows the chosen entry as its text.
    std::string startTime() const override { return windowText(control(ids::cmbStartTime)); }
    void setTargetText(const std::string& text) override { setWindowText(control(ids::scheduleTargetFile), text); }
    bool protectChecked() const override { return isChecked(control(ids::scheduleIfprotect)); }

    void setPasswordBoxesUsable(bool usable) override {
        passwordsUsable_ = usable;
        for (int id : {ids::schedulePassword, ids::schedulePassword2}) {
            setWindowText(control(id), "");
            EnableWindow(control(id), usable);
            InvalidateRect(control(id), nullptr, TRUE);
        }
    }

    std::string password() const override { return windowText(control(ids::schedulePassword)); }
    std::string confirmation() const override { return windowText(control(ids::schedulePassword2)); }
    void setAddEnabled(bool enabled) override { EnableWindow(control(ids::Command3Schedule), enabled); }
    void closeAccepted() override { endModal(IDOK); }

    schedule::ScheduleWindowLogic logic_;
    HBRUSH greyBrush_ = nullptr;
    bool passwordsUsable_ = false;
};

}  // namespace

void ShowScheduleWindow(session::MainSession& session, schedule::TaskScheduler& scheduler, HWND owner) {
    Frmoption window(session, scheduler, owner);
    window.Form_Load();
    window.showModal();
}

}  // namespace win32

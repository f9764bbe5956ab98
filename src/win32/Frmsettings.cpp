#include "win32/Frmsettings.h"

#include <commctrl.h>

#include <array>

#include "app/SettingsForm.h"
#include "app/WineGate.h"
#include "config/Globals.h"
#include "platform/win32/WideText.h"
#include "win32/ControlIds.h"
#include "win32/ModalForm.h"
#include "win32/ShellIcons.h"
#include "win32/TabPages.h"

namespace win32 {

namespace {

constexpr Box kTabBox{8, 8, 464, 236};
// The tab control's display area, where the pages stand.
constexpr Box kPageBox{14, 36, 452, 202};
constexpr int kBoxHeight = 20;
constexpr int kBoxPitch = 24;
constexpr int kMaxKeptBackups = 9999;

class Frmsettings : public ModalForm {
public:
    Frmsettings(platform::Services& services, HWND owner)
        : ModalForm(app::kSettingsCaption, 480, 286, owner),
          services_(services),
          tabs_(*this, ids::SettingsTabs, kTabBox, kPageBox, {app::kSettingsPages.begin(), app::kSettingsPages.end()}) {
        buildGeneralPage();
        buildBackupPage();
        buildScheduledPage();
        placeInto(nullptr);
        button(ids::Command2, config::kOkCaption, {304, 252, 80, 26}, true);
        button(ids::Command3Settings, config::kCancelCaption, {392, 252, 80, 26});
        onCommand(ids::Command1, [this] { Command1_Click(); });
        onCommand(ids::Command2, [this] { Command2_Click(); });
        onCommand(ids::Command3Settings, [this] { endModal(IDCANCEL); });
        onCommand(ids::Option1, [this] { keepCountUsable(); });
        onCommand(ids::Option2, [this] { keepCountUsable(); });
        onEnter(ids::Command2);
        tabs_.show(0);
        load();
    }

    ~Frmsettings() override {
        if (folderIcon_) DestroyIcon(folderIcon_);
    }

protected:
    bool handleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        if (ModalForm::handleMessage(message, wParam, lParam, result)) return true;
        if (message != WM_NOTIFY) return false;
        if (!tabs_.changed(lParam)) return false;
        tabs_.show(tabs_.current());
        result = 0;
        return true;
    }

private:
    // The check boxes of one page, in the table's order, below `top`.
    void boxesOfPage(int page, int top) {
        for (std::size_t k = 0; k < app::kSettingsBoxes.size(); ++k) {
            if (app::kSettingsBoxes[k].page != page) continue;
            checkBox(ids::SettingsBox + static_cast<int>(k), app::kSettingsBoxes[k].caption, {12, top, 428, kBoxHeight});
            top += kBoxPitch;
        }
    }

    void buildGeneralPage() {
        placeInto(tabs_.page(0));
        group(app::kSettingsGroups[0], {0, 0, kPageBox.w, kPageBox.h});
        boxesOfPage(0, 22);
    }

    void buildBackupPage() {
        placeInto(tabs_.page(1));
        group(app::kSettingsGroups[1], {0, 0, kPageBox.w, kPageBox.h});
        label(app::kFolderLabel, {12, 22, 300, 16});
        edit(ids::Text1, {12, 40, 390, 23});
        // An icon and no caption: the shell's folder, or the plain one.
        HWND browse = add(WC_BUTTONW, "", WS_TABSTOP | BS_PUSHBUTTON | BS_ICON, ids::Command1, {408, 39, 32, 25});
        folderIcon_ = ShellIcon(SIID_FOLDER, kShell32FolderIcon, /*small*/ true);
        SendMessageW(browse, BM_SETIMAGE, IMAGE_ICON,
                     reinterpret_cast<LPARAM>(folderIcon_ ? folderIcon_ : LoadIconW(nullptr, IDI_APPLICATION)));
        boxesOfPage(1, 74);
    }

    void buildScheduledPage() {
        placeInto(tabs_.page(2));
        group(app::kSettingsGroups[2], {0, 0, kPageBox.w, kPageBox.h});
        radioButton(ids::Option1, app::kReplaceOption, {12, 22, 428, kBoxHeight}, true);
        radioButton(ids::Option2, app::kNewFileOption, {12, 46, 428, kBoxHeight}, false);
        // WS_GROUP ends the two options' group for the arrow keys.
        add(WC_STATICW, app::kKeepBackupsLabel, SS_LEFT | SS_NOPREFIX | WS_GROUP, -1, {30, 79, 226, 16});
        HWND count = edit(ids::spnKeepBackups, {258, 76, 70, 23}, ES_NUMBER | ES_RIGHT);
        HWND arrows = add(UPDOWN_CLASSW, "",
                          UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS | UDS_HOTTRACK,
                          ids::udKeepBackups, {0, 0, 0, 0});
        SendMessageW(arrows, UDM_SETBUDDY, reinterpret_cast<WPARAM>(count), 0);
        SendMessageW(arrows, UDM_SETRANGE32, 0, kMaxKeptBackups);
        // Four digits cannot leave the range.
        SendMessageW(count, EM_LIMITTEXT, 4, 0);
    }

    HWND settingsBox(std::size_t k) const { return control(ids::SettingsBox + static_cast<int>(k)); }

    void load() {
        const app::SettingsValues v = app::LoadSettingsValues(services_.env);
        for (std::size_t k = 0; k < app::kSettingsBoxes.size(); ++k) {
            setChecked(settingsBox(k), v.*app::kSettingsBoxes[k].value);
        }
        setWindowText(control(ids::Text1), v.backupfolder);
        setChecked(control(ids::Option1), v.replaceAutoBackupFile);
        setChecked(control(ids::Option2), !v.replaceAutoBackupFile);
        SendMessageW(control(ids::udKeepBackups), UDM_SETPOS32, 0, v.keepbackups);
        keepCountUsable();
    }

    // Only dated backups are ever removed, so the count means nothing otherwise.
    void keepCountUsable() {
        const bool dated = isChecked(control(ids::Option2));
        EnableWindow(control(ids::spnKeepBackups), dated);
        EnableWindow(control(ids::udKeepBackups), dated);
    }

    // The arrows read the count back from the box; an emptied box keeps
    // the last count it showed.
    int keptBackups() const {
        return static_cast<int>(SendMessageW(control(ids::udKeepBackups), UDM_GETPOS32, 0, 0));
    }

    void Command1_Click() { setWindowText(control(ids::Text1), app::BrowseBackupFolder(services_.dialogs)); }

    void Command2_Click() {
        app::SettingsValues v;
        for (std::size_t k = 0; k < app::kSettingsBoxes.size(); ++k) {
            v.*app::kSettingsBoxes[k].value = isChecked(settingsBox(k));
        }
        v.backupfolder = windowText(control(ids::Text1));
        v.replaceAutoBackupFile = isChecked(control(ids::Option1));
        v.keepbackups = keptBackups();
        // The Win32 registry is live: no Wine to end first, nothing to wait for.
        auto mayChangeRunEntry = [this] { return app::MayWriteRegistry(services_); };
        if (app::SaveSettingsValues(services_, v, mayChangeRunEntry)) endModal(IDOK);
    }

    platform::Services& services_;
    TabPages tabs_;
    HICON folderIcon_ = nullptr;
};

}  // namespace

void ShowSettingsWindow(platform::Services& services, HWND owner) {
    Frmsettings window(services, owner);
    window.showModal();
}

}  // namespace win32

#include "win32/frmMain.h"

#include <commctrl.h>
#include <windowsx.h>

#include <map>
#include <thread>

#include "config/Globals.h"
#include "disc/Imapi2Engine.h"
#include "platform/win32/WideText.h"
#include "schedule/SystemTaskScheduler.h"
#include "win32/ControlIds.h"
#include "win32/Frmoption.h"
#include "win32/Frmsettings.h"
#include "win32/ProductHeading.h"
#include "win32/frmMaindvdwrite.h"
#include "win32/frmabout.h"

namespace win32 {

namespace {

constexpr int kClientWidth = 580;
constexpr int kClientHeight = 580;
constexpr Box kTabBox{8, 8, 564, 440};
// The tab control's display area, where the pages stand.
constexpr Box kPageBox{14, 36, 552, 406};

constexpr int kFirstBackupBox = ids::backupitem;
constexpr int kFirstRestoreBox = ids::restoreitem;

}  // namespace

frmMain::frmMain(session::MainSession& session, std::string programPath)
    : Form(app::kMainWindowCaption, kClientWidth, kClientHeight, true),
      session_(session),
      logic_(session, *this, [this, programPath] {
          return schedule::SystemTaskScheduler(session_.services, programPath);
      }),
      tabs_(*this, ids::SSTab1, kTabBox, kPageBox, {app::kTabCaptions.begin(), app::kTabCaptions.end()}) {
    greyBrush_ = GetSysColorBrush(COLOR_SCROLLBAR);
    buildBackupPage();
    buildRestorePage();
    buildLogPage();
    buildAboutPage();
    placeInto(nullptr);
    buildProgressPanel();
    buildButtons();
    buildMenus();
    tabs_.show(0);
    logic_.ifprotect_Click();
}

// ---- Building ---------------------------------------------------------------

void frmMain::itemFrame(int frameId, const char* label, int firstBox, int userLabelY, const char* userLabel,
                        int userField, int top) {
    group("What", {0, top, 552, 184}, frameId);
    this->label(label, {10, top + 18, 300, 16});
    for (const auto& item : items::kCatalogue) {
        const int column = static_cast<int>(item.index) % 2, row = static_cast<int>(item.index) / 2;
        // A caption's "&" is a letter here, not a shortcut mark.
        std::string caption;
        for (char c : item.caption) caption += c == '&' ? std::string("&&") : std::string(1, c);
        // The first column holds the long captions.
        const Box place = column == 0 ? Box{10, top + 38 + row * 20, 350, 18} : Box{366, top + 38 + row * 20, 178, 18};
        checkBox(firstBox + static_cast<int>(item.index), caption, place);
    }
    this->label(userLabel, {10, userLabelY + 3, 100, 16});
    edit(userField, {112, userLabelY, 200, 22});
}

void frmMain::buildBackupPage() {
    placeInto(tabs_.page(0));
    itemFrame(ids::Frame1, "Items to backup", kFirstBackupBox, 156, "User to Backup", ids::cbSource, 0);
    group("Where", {0, 190, 552, 130}, ids::Frame2);
    label("Choose a Backup Filename", {10, 208, 300, 16});
    edit(ids::txtTargetFile, {10, 226, 446, 22});
    button(ids::cmdTargetFile, "Browse...", {462, 225, 80, 24});
    label("Description", {10, 254, 200, 16});
    edit(ids::txtAttachInfo, {10, 272, 532, 40}, ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_VSCROLL);
    group("Security", {0, 324, 552, 82}, ids::Frame5);
    checkBox(ids::ifprotect, "Protect backup file with password", {10, 340, 300, 18});
    label("Password:", {10, 362, 110, 16});
    edit(ids::txtPassword, {122, 359, 200, 22}, ES_PASSWORD);
    label("Retype Password:", {10, 384, 110, 16});
    edit(ids::txtPassword2, {122, 381, 200, 22}, ES_PASSWORD);
    onCommand(ids::ifprotect, [this] { logic_.ifprotect_Click(); });
    onCommand(ids::cmdTargetFile, [this] { logic_.cmdTargetFile_Click(); });
}

void frmMain::buildRestorePage() {
    placeInto(tabs_.page(1));
    group("Where", {0, 0, 552, 206}, ids::Frame3);
    label("Choose a Backup File to Restore From", {10, 18, 300, 16});
    edit(ids::txtSourceFile, {10, 36, 446, 22}, ES_READONLY);
    button(ids::cmdSourceFile, "Browse...", {462, 35, 80, 24});
    edit(ids::txtPOBinfo, {10, 64, 532, 54}, ES_MULTILINE | ES_READONLY);  // computer, user, date
    label("Description", {10, 124, 200, 16});
    edit(ids::txtFileInfo, {10, 142, 532, 56}, ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL);
    itemFrame(ids::Frame4, "Items to restore", kFirstRestoreBox, 368, "Restore to User", ids::cbTarget, 212);
    for (std::size_t k = 0; k < items::kItemCount; ++k) setItemEnabled(app::ItemBoxes::Restore, k, false);
    onCommand(ids::cmdSourceFile, [this] { logic_.cmdSourceFile_Click(); });
}

void frmMain::buildLogPage() {
    placeInto(tabs_.page(2));
    add(WC_LISTBOXW, "", WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY, ids::List1,
        {0, 0, 552, 406}, WS_EX_CLIENTEDGE);
}

void frmMain::buildAboutPage() {
    placeInto(tabs_.page(3));
    group("", {0, 0, 552, 160}, -1);
    heading_.addTo(*this, {16, 24, 48, 48}, {80, 20, 400, 24});
    label(config::kAboutThanks, {80, 52, 400, 16});
    label(config::kAboutEmailLabel, {80, 80, 120, 16});
    label(config::kProductEmail, {200, 80, 280, 16});
    label(config::kAboutWebsiteLabel, {80, 102, 120, 16});
    label(config::kProductWebsite, {200, 102, 280, 16});
}

void frmMain::buildProgressPanel() {
    // Hidden when idle; its room stays, so the window never changes size.
    label(app::kIdleStatus, {8, 454, 564, 16}, ids::Label1);
    add(PROGRESS_CLASSW, "", 0, ids::pbshow, {8, 472, 564, 16});
    SendMessageW(control(ids::pbshow), PBM_SETRANGE32, 0, 100);
    label(" ", {8, 492, 564, 16}, ids::SkinLabel11);
    label(" ", {8, 510, 564, 16}, ids::SkinLabel12);
    for (int id : {ids::Label1, ids::SkinLabel11, ids::SkinLabel12}) {
        // One line each: a long file name is cut with an ellipsis.
        HWND line = control(id);
        SetWindowLongPtrW(line, GWL_STYLE, GetWindowLongPtrW(line, GWL_STYLE) | SS_ENDELLIPSIS);
    }
    showProgressPanel(false);
}

void frmMain::buildButtons() {
    // Wide enough for "Show Log File" in a larger system font.
    button(ids::cmdApply, app::ApplyCaptionForTab(0), {286, 542, 100, 26}, true);
    button(ids::cmdAbout, "About", {394, 542, 86, 26});
    button(ids::cmdQuit, "Quit", {488, 542, 86, 26});
    onCommand(ids::cmdApply, [this] { logic_.cmdApply_Click(); });
    onCommand(ids::cmdAbout, [this] { showAbout(); });
    onCommand(ids::cmdQuit, [this] { logic_.quit_Click(); });
    // Enter in a field presses the default button, as in a dialog.
    onCommand(IDOK, [this] { logic_.cmdApply_Click(); });
}

void frmMain::buildMenus() {
    menuBar_ = CreateMenu();
    std::map<std::string, HMENU> menus;
    std::vector<std::string> order;
    int id = ids::mnuBackup;
    for (const auto& entry : app::kMainMenu) {
        HMENU& menu = menus[entry.menu];
        if (!menu) {
            menu = CreatePopupMenu();
            order.push_back(entry.menu);
        }
        AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(id), platform::wide(entry.caption).c_str());
        onCommand(id++, [this, command = entry.command] { logic_.menuCommand(command); });
    }
    for (const auto& name : order) {
        AppendMenuW(menuBar_, MF_POPUP, reinterpret_cast<UINT_PTR>(menus[name]), platform::wide(name).c_str());
    }
    SetMenu(handle(), menuBar_);
    onCommand(ids::Selectallitems, [this] { logic_.SelectAll(app::ItemBoxes::Backup); });
    onCommand(ids::Unselectallitems, [this] { logic_.DeselectAll(app::ItemBoxes::Backup); });
    onCommand(ids::Selectallitems2, [this] { logic_.SelectAll(app::ItemBoxes::Restore); });
    onCommand(ids::Unselectallitems2, [this] { logic_.DeselectAll(app::ItemBoxes::Restore); });
}

// ---- Events -----------------------------------------------------------------

// A right click inside an item frame pops up its menu.
void frmMain::popUpItemMenu(LPARAM where) {
    POINT at{GET_X_LPARAM(where), GET_Y_LPARAM(where)};
    const bool backup = currentTab() == 0;
    if (!backup && currentTab() != 1) return;
    RECT frame{};
    GetWindowRect(control(backup ? ids::Frame1 : ids::Frame4), &frame);
    if (!PtInRect(&frame, at)) return;
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, backup ? ids::Selectallitems : ids::Selectallitems2,
                platform::wide(app::kSelectAllCaption).c_str());
    AppendMenuW(menu, MF_STRING, backup ? ids::Unselectallitems : ids::Unselectallitems2,
                platform::wide(app::kDeselectAllCaption).c_str());
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, handle(), nullptr);
    DestroyMenu(menu);
}

bool frmMain::handleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_NOTIFY: {
            if (tabs_.changed(lParam)) {
                const int tab = currentTab();
                tabs_.show(tab);
                logic_.SSTab1_Click(tab);
                result = 0;
                return true;
            }
            return false;
        }
        case WM_CONTEXTMENU:
            popUpItemMenu(lParam);
            result = 0;
            return true;
        case WM_CTLCOLORSTATIC: {
            // The password boxes, disabled, in the grey of scroll bars.
            HWND box = reinterpret_cast<HWND>(lParam);
            if ((box == control(ids::txtPassword) || box == control(ids::txtPassword2)) && !IsWindowEnabled(box)) {
                SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_SCROLLBAR));
                result = reinterpret_cast<LRESULT>(greyBrush_);
                return true;
            }
            return false;
        }
        case WM_SETCURSOR:
            if (logic_.running()) {
                SetCursor(LoadCursorW(nullptr, IDC_WAIT));
                result = TRUE;
                return true;
            }
            return false;
        default: return false;
    }
}

bool frmMain::mayClose() {
    // quit_Click ends the loop itself once the session is shut down.
    logic_.quit_Click();
    return false;
}

// ---- app::MainWindowView ------------------------------------------------------

HWND frmMain::box(app::ItemBoxes boxes, std::size_t index) const {
    return control((boxes == app::ItemBoxes::Backup ? kFirstBackupBox : kFirstRestoreBox) + static_cast<int>(index));
}

bool frmMain::itemChecked(app::ItemBoxes boxes, std::size_t index) const { return isChecked(box(boxes, index)); }
void frmMain::setItemChecked(app::ItemBoxes boxes, std::size_t index, bool on) { setChecked(box(boxes, index), on); }
bool frmMain::itemEnabled(app::ItemBoxes boxes, std::size_t index) const { return IsWindowEnabled(box(boxes, index)); }
void frmMain::setItemEnabled(app::ItemBoxes boxes, std::size_t index, bool on) { EnableWindow(box(boxes, index), on); }

HWND frmMain::field(app::MainField which) const {
    switch (which) {
        case app::MainField::cbSource: return control(ids::cbSource);
        case app::MainField::cbTarget: return control(ids::cbTarget);
        case app::MainField::txtTargetFile: return control(ids::txtTargetFile);
        case app::MainField::txtAttachInfo: return control(ids::txtAttachInfo);
        case app::MainField::txtPassword: return control(ids::txtPassword);
        case app::MainField::txtPassword2: return control(ids::txtPassword2);
        case app::MainField::txtSourceFile: return control(ids::txtSourceFile);
        case app::MainField::txtPOBinfo: return control(ids::txtPOBinfo);
        case app::MainField::txtFileInfo: return control(ids::txtFileInfo);
    }
    return nullptr;
}

std::string frmMain::text(app::MainField which) const { return editText(field(which)); }
void frmMain::setText(app::MainField which, const std::string& value) { setEditText(field(which), value); }
bool frmMain::protectChecked() const { return isChecked(control(ids::ifprotect)); }

void frmMain::setPasswordBoxesUsable(bool usable) {
    for (int id : {ids::txtPassword, ids::txtPassword2}) {
        EnableWindow(control(id), usable);
        InvalidateRect(control(id), nullptr, TRUE);
    }
}

int frmMain::currentTab() const {
    return tabs_.current();
}

void frmMain::setApplyCaption(const std::string& caption) {
    setWindowText(control(ids::cmdApply), caption);
    UpdateWindow(control(ids::cmdApply));
}

void frmMain::setApplyEnabled(bool enabled) { EnableWindow(control(ids::cmdApply), enabled); }

void frmMain::showRunning(bool running) {
    EnableWindow(control(ids::cmdApply), !running);
    EnableWindow(control(ids::cmdSourceFile), !running);
    for (int id : {ids::mnuBackup, ids::mnuRestore}) {
        EnableMenuItem(menuBar_, static_cast<UINT>(id), MF_BYCOMMAND | (running ? MF_GRAYED : MF_ENABLED));
    }
    SetCursor(LoadCursorW(nullptr, running ? IDC_WAIT : IDC_ARROW));
}

void frmMain::showProgressPanel(bool shown) {
    for (int id : {ids::Label1, ids::pbshow, ids::SkinLabel11, ids::SkinLabel12}) {
        ShowWindow(control(id), shown ? SW_SHOW : SW_HIDE);
    }
    if (shown) UpdateWindow(handle());
}

void frmMain::setStatusLine(app::StatusLine line, const std::string& value) {
    const int id = line == app::StatusLine::Label1       ? ids::Label1
                   : line == app::StatusLine::SkinLabel11 ? ids::SkinLabel11
                                                          : ids::SkinLabel12;
    std::string one = value.empty() ? " " : value;
    for (char& c : one) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    setWindowText(control(id), one);
}

int frmMain::progress() const { return static_cast<int>(SendMessageW(control(ids::pbshow), PBM_GETPOS, 0, 0)); }
void frmMain::setProgress(int value) { SendMessageW(control(ids::pbshow), PBM_SETPOS, static_cast<WPARAM>(value), 0); }

void frmMain::showLogLines(const std::vector<std::string>& lines) {
    HWND list = control(ids::List1);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const auto& line : lines) {
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(platform::wide(line).c_str()));
    }
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    if (count > 0) SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(count - 1), 0);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void frmMain::startWorker(std::function<void()> work) { std::thread(std::move(work)).detach(); }

bool frmMain::runKeepingWindowAlive(const std::function<bool()>& task) {
    // On Windows nothing has to end before the registry is written, so
    // the task is short; it runs here.
    return task();
}

void frmMain::showAbout() { ShowAboutWindow(session_.services.launcher, handle()); }
void frmMain::showSettings() { ShowSettingsWindow(session_.services, handle()); }
void frmMain::showSchedule(schedule::TaskScheduler& scheduler) { ShowScheduleWindow(session_, scheduler, handle()); }

void frmMain::showDiscWindow(const std::string& pendingName, const std::string& pendingPath) {
    ShowDiscWindow(session_.services.dialogs, handle(), disc::CreateImapi2Engine(), pendingName, pendingPath);
}

void frmMain::endProgram() { DestroyWindow(handle()); }

}  // namespace win32

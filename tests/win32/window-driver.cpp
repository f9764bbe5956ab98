// window-driver: drives the program's Win32 windows from another process of
// the same Wine (or Windows) session, for the window tests and the
// screenshots. It runs the commands of its command line in order, each with
// a fixed number of arguments, prints what the queries find on standard
// output (UTF-8, one result per line) and ends with status 0 when every
// command succeeded; at the first failure it says why on standard error and
// ends with status 1.
//
//   window-driver COMMAND ARGS... [COMMAND ARGS...]...
//
// WINDOW is the exact caption of a visible top-level window; every command
// waits up to 15 s for it (and for the control). ID is a number (decimal or
// 0x...), IDOK, IDCANCEL, or a name of win32/ControlIds.h, optionally plus
// an index into its row ("backupitem+10"). Texts printed are escaped: a
// backslash as \\, TAB as \t, CR as \r, LF as \n; results with several
// parts (lists, a message box) join the parts with TAB.
//
//   windows                          every visible top-level window: caption TAB class, one per line
//   wait-window WINDOW SECONDS       until the window is shown
//   wait-gone WINDOW SECONDS         until no window of that caption is shown
//   geometry WINDOW                  "x y width height clientwidth clientheight" (screen pixels)
//   layout WINDOW                    every control, one per line: id class visible enabled x y w h
//                                    textwidth text (x, y in the window's client area; textwidth: the
//                                    text on one line in the system's message font as this process
//                                    gets it, a hint only: the program's own font may draw narrower)
//   text WINDOW ID                   the control's text (WM_GETTEXT)
//   set-text WINDOW ID TEXT          WM_SETTEXT
//   click WINDOW ID                  BM_CLICK, waiting for the program's handler to return
//   post-click WINDOW ID             BM_CLICK posted: for buttons that open a modal window
//   checked WINDOW ID                1, 0 (2: indeterminate)
//   check WINDOW ID 0|1              clicks the box when it is not in that state
//   enabled WINDOW ID                1 or 0
//   visible WINDOW ID                1 or 0 (the control and every window it stands on)
//   at WINDOW ID                     "ID CLASS" of the control a click in the middle of that control
//                                    reaches: itself, unless another window covers it there
//   wait-enabled WINDOW ID 0|1 SECONDS
//   press WINDOW ID return|escape    the key pressed in the control (posted)
//   tabs WINDOW ID                   the tab control's captions
//   tab WINDOW ID                    the index of its selected tab
//   select-tab WINDOW ID INDEX       a click on that tab, as the user's mouse does it
//   menu WINDOW MENU-ID              a menu entry chosen (WM_COMMAND posted)
//   right-click WINDOW ID            the right mouse button pressed and let go in the control's middle
//   popup-choose INDEX               the entry INDEX (from 0) of the pop-up menu shown, by the arrow keys and Enter
//   list-lines WINDOW ID             the list box's lines
//   combo-items WINDOW ID            the combo box's entries
//   combo-select WINDOW ID TEXT      the entry chosen, as a selection by the user notifies it
//   tree-items WINDOW ID             the tree view's nodes, depth first, each as the path of its texts
//                                    from the root, joined by "/"
//   tree-select WINDOW ID PATH       the node of that path selected (the tree notifies the window)
//   list-rows WINDOW ID              the list view's rows, each its columns' texts joined by "|"
//   list-select WINDOW ID ROW        the row (from 0) selected and focused
//   status-texts WINDOW ID           the status bar's parts
//   edit-label WINDOW ID TEXT        TEXT typed into the label editor the tree or list view has
//                                    open, then Enter
//   message-box SECONDS              the program's message box (its title): text TAB each button
//   answer-message-box BUTTON        that button of the program's message box, then waits until it goes
//   file-dialog WINDOW PATH          the common file dialog of that title: PATH typed as the file
//                                    name, then its OK button, and waits until it goes
//   capture WINDOW FILE.bmp          the window as the screen shows it (so nothing may cover it), a 24-bit BMP
//   close WINDOW                     WM_CLOSE posted, as the close box does
//   sleep MILLISECONDS
//
// Controls are found among the window's descendants by their identifier, so
// controls standing on a tab's page are found too. A disabled or hidden
// control cannot be clicked, typed into or chosen from, nor a menu of a
// disabled window used: the user could not either. Texts in the standard
// controls cross between the processes because the system carries the
// messages of those controls with their buffers; the tab control's item
// rectangles and captions do not, so they are read through a buffer in the
// program's own memory.

#include <windows.h>
#include <commctrl.h>
#include <fcntl.h>
#include <io.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "win32/ControlIds.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kFindLimit = std::chrono::seconds(15);
constexpr UINT kAnswerLimitMs = 15000;
constexpr const wchar_t* kProgramTitle = L"Zorva Windows Live Mail Backup";
constexpr int kMessageBoxText = 0xFFFF;

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

[[noreturn]] void fail(const std::wstring& why) { throw Failure(utf8(why)); }

std::wstring escaped(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        switch (c) {
            case L'\\': out += L"\\\\"; break;
            case L'\t': out += L"\\t"; break;
            case L'\r': out += L"\\r"; break;
            case L'\n': out += L"\\n"; break;
            default: out += c;
        }
    }
    return out;
}

void printLine(const std::wstring& line) {
    const std::string bytes = utf8(line) + "\n";
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

std::wstring joined(const std::vector<std::wstring>& parts) {
    std::wstring line;
    for (std::size_t i = 0; i < parts.size(); ++i) line += (i ? L"\t" : L"") + escaped(parts[i]);
    return line;
}

// ---- Identifiers --------------------------------------------------------------

struct NamedId {
    const wchar_t* name;
    int id;
};

#define ID(n) {L## #n, win32::ids::n}
const NamedId kIds[] = {
    ID(SSTab1), ID(backupitem), ID(restoreitem), ID(cbSource), ID(cbTarget), ID(txtTargetFile), ID(cmdTargetFile),
    ID(txtAttachInfo), ID(ifprotect), ID(txtPassword), ID(txtPassword2), ID(txtSourceFile), ID(cmdSourceFile),
    ID(txtPOBinfo), ID(txtFileInfo), ID(List1), ID(Label1), ID(pbshow), ID(SkinLabel11), ID(SkinLabel12),
    ID(cmdApply), ID(cmdAbout), ID(cmdQuit), ID(Frame1), ID(Frame4), ID(Frame2), ID(Frame3), ID(Frame5),
    ID(mnuBackup), ID(mnuRestore), ID(mnuQuit), ID(mnuTaskScheduler), ID(mnuSettings), ID(mnuUpdate),
    ID(mnuBackuptocd), ID(mnuHelp1), ID(mnuWebsite), ID(mnuAbout), ID(Selectallitems), ID(Unselectallitems),
    ID(Selectallitems2), ID(Unselectallitems2),
    ID(SettingsTabs), ID(SettingsBox), ID(Text1), ID(Command1), ID(Option1), ID(Option2), ID(spnKeepBackups),
    ID(Command2), ID(Command3Settings), ID(udKeepBackups),
    ID(scheduleitem), ID(scheduleSource), ID(cmbStartTime), ID(weekday), ID(chkDaily), ID(scheduleTargetFile),
    ID(scheduleCmdTargetFile), ID(scheduleIfprotect), ID(schedulePassword), ID(schedulePassword2),
    ID(Command3Schedule), ID(Command1Schedule), ID(Command2Schedule),
    ID(pwdPassword), ID(cmdOK), ID(cmdExit),
    ID(Command3About), ID(aboutEmail), ID(aboutWebsite),
    ID(tvwFolders), ID(lvwImageFiles), ID(lblImageFileTitle), ID(cboDevices), ID(cboWriteSpeed), ID(cboVolumeType),
    ID(txtVolIdentifier), ID(writeOption), ID(cmdWriteDisc), ID(cmdCancelWrite), ID(prgTotalProgress), ID(sbrStatus),
    ID(mnuDiscFile), ID(mnuDiscDevice),
    ID(chkQuikErase), ID(cmdErase), ID(cmdCancelErase), ID(lblEraseStatus), ID(prgEraseProgress),
    {L"IDOK", IDOK}, {L"IDCANCEL", IDCANCEL},
};
#undef ID

int number(const std::wstring& text) {
    wchar_t* end = nullptr;
    const long value = std::wcstol(text.c_str(), &end, 0);
    if (text.empty() || *end != L'\0') fail(L"not a number: " + text);
    return static_cast<int>(value);
}

int controlId(const std::wstring& text) {
    if (!text.empty() && iswdigit(text[0])) return number(text);
    const std::size_t plus = text.find(L'+');
    const std::wstring name = text.substr(0, plus);
    for (const auto& named : kIds) {
        if (name == named.name) return named.id + (plus == std::wstring::npos ? 0 : number(text.substr(plus + 1)));
    }
    fail(L"no control is named " + name);
}

// ---- Windows and controls -----------------------------------------------------------

std::wstring caption(HWND window) {
    // The caption of another process's window is kept by the system; no message is needed.
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

std::wstring className(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::vector<HWND> topWindows() {
    std::vector<HWND> windows;
    EnumWindows(
        [](HWND window, LPARAM into) -> BOOL {
            if (IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(into)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::vector<HWND> descendants(HWND window) {
    std::vector<HWND> controls;
    EnumChildWindows(
        window,
        [](HWND control, LPARAM into) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(into)->push_back(control);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&controls));
    return controls;
}

HWND waitFor(const std::function<HWND()>& find, std::chrono::milliseconds limit, const std::wstring& what) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        if (HWND found = find()) return found;
        if (Clock::now() >= deadline) fail(what);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

HWND shownWindow(const std::wstring& title) {
    for (HWND window : topWindows()) {
        if (caption(window) == title) return window;
    }
    return nullptr;
}

HWND window(const std::wstring& title, std::chrono::milliseconds limit = kFindLimit) {
    return waitFor([&] { return shownWindow(title); }, limit, L"no window \"" + title + L"\" is shown");
}

// The first visible control of that identifier, else the first hidden one.
HWND childById(HWND top, int id) {
    HWND hidden = nullptr;
    for (HWND child : descendants(top)) {
        if (GetDlgCtrlID(child) != id) continue;
        if (IsWindowVisible(child)) return child;
        if (!hidden) hidden = child;
    }
    return hidden;
}

HWND control(const std::wstring& title, const std::wstring& idText) {
    const int id = controlId(idText);
    const auto deadline = Clock::now() + kFindLimit;
    for (;;) {
        HWND top = shownWindow(title);
        if (HWND found = top ? childById(top, id) : nullptr) return found;
        if (Clock::now() >= deadline) {
            fail(top ? L"the window \"" + title + L"\" has no control " + idText
                     : L"no window \"" + title + L"\" is shown");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

// A message answered by the program, or a failure when it does not answer.
LRESULT ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kAnswerLimitMs, &result)) {
        fail(L"the program did not answer message " + std::to_wstring(message) + L" (blocked in a modal window?)");
    }
    return static_cast<LRESULT>(result);
}

// The texts of a list box's or a combo box's entries, through the control's
// own count, length and text messages.
std::vector<std::wstring> entries(HWND box, UINT countMessage, UINT lengthMessage, UINT textMessage) {
    std::vector<std::wstring> texts;
    const LRESULT count = ask(box, countMessage);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring text(static_cast<std::size_t>(ask(box, lengthMessage, static_cast<WPARAM>(i))) + 1, L'\0');
        const LRESULT got = ask(box, textMessage, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        texts.push_back(text);
    }
    return texts;
}

void post(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    if (!PostMessageW(window, message, wParam, lParam)) fail(L"the message could not be posted");
}

// The release of a key whose press may already have closed the window it
// went to (Enter in a menu or a dialog): nothing is left to tell then.
void postRelease(HWND window, WPARAM key, LPARAM lParam) { PostMessageW(window, WM_KEYUP, key, lParam); }

std::wstring controlText(HWND control) {
    const LRESULT length = ask(control, WM_GETTEXTLENGTH);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT got = ask(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(got));
    return text;
}

// What a user can reach: shown on a shown page, and enabled.
void mustBeUsable(HWND control, const std::wstring& idText) {
    if (!IsWindowVisible(control)) fail(L"the control " + idText + L" is not shown");
    if (!IsWindowEnabled(control)) fail(L"the control " + idText + L" is disabled");
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

std::chrono::milliseconds seconds(const std::wstring& text) { return std::chrono::milliseconds(number(text) * 1000); }

// ---- A buffer in the program's memory, for the messages the system does not carry --

class RemoteBuffer {
public:
    RemoteBuffer(HWND owner, std::size_t size) : size_(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(owner, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (!process_) fail(L"the program's process cannot be opened (error " + std::to_wstring(GetLastError()) + L")");
        address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (!address_) {
            CloseHandle(process_);
            fail(L"no memory in the program's process");
        }
    }
    ~RemoteBuffer() {
        VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        CloseHandle(process_);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    LPARAM at(std::size_t offset = 0) const { return reinterpret_cast<LPARAM>(static_cast<char*>(address_) + offset); }
    void write(const void* data, std::size_t size, std::size_t offset = 0) const {
        SIZE_T done = 0;
        if (offset + size > size_ || !WriteProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, &done))
            fail(L"the program's memory cannot be written");
    }
    void read(void* data, std::size_t size, std::size_t offset = 0) const {
        SIZE_T done = 0;
        if (offset + size > size_ || !ReadProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, &done))
            fail(L"the program's memory cannot be read");
    }

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
    std::size_t size_;
};

std::vector<std::wstring> tabCaptions(HWND tabs) {
    const int count = static_cast<int>(ask(tabs, TCM_GETITEMCOUNT));
    constexpr int kChars = 256;
    RemoteBuffer buffer(tabs, sizeof(TCITEMW) + kChars * sizeof(wchar_t));
    std::vector<std::wstring> captions;
    for (int i = 0; i < count; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = reinterpret_cast<wchar_t*>(buffer.at(sizeof(TCITEMW)));
        item.cchTextMax = kChars;
        const wchar_t none = L'\0';
        buffer.write(&item, sizeof item);
        buffer.write(&none, sizeof none, sizeof(TCITEMW));
        if (!ask(tabs, TCM_GETITEMW, static_cast<WPARAM>(i), buffer.at())) fail(L"tab " + std::to_wstring(i) + L" cannot be read");
        wchar_t text[kChars] = {};
        buffer.read(text, sizeof text - sizeof(wchar_t), sizeof(TCITEMW));
        captions.emplace_back(text);
    }
    return captions;
}

// ---- Tree views, list views and status bars, read through the program's memory ----

constexpr int kItemChars = 512;

std::wstring treeText(HWND tree, HTREEITEM item) {
    RemoteBuffer buffer(tree, sizeof(TVITEMW) + kItemChars * sizeof(wchar_t));
    TVITEMW query{};
    query.mask = TVIF_TEXT;
    query.hItem = item;
    query.pszText = reinterpret_cast<wchar_t*>(buffer.at(sizeof(TVITEMW)));
    query.cchTextMax = kItemChars;
    buffer.write(&query, sizeof query);
    if (!ask(tree, TVM_GETITEMW, 0, buffer.at())) fail(L"a tree node cannot be read");
    wchar_t text[kItemChars] = {};
    buffer.read(text, sizeof text - sizeof(wchar_t), sizeof(TVITEMW));
    return text;
}

// Every node below `parent` (TVI_ROOT: all), depth first, with its path of texts.
void treeNodes(HWND tree, HTREEITEM parent, const std::wstring& path,
               std::vector<std::pair<std::wstring, HTREEITEM>>* out) {
    auto item = reinterpret_cast<HTREEITEM>(
        ask(tree, TVM_GETNEXTITEM, parent == TVI_ROOT ? TVGN_ROOT : TVGN_CHILD, reinterpret_cast<LPARAM>(parent)));
    for (; item; item = reinterpret_cast<HTREEITEM>(ask(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
        const std::wstring itemPath = (path.empty() ? L"" : path + L"/") + treeText(tree, item);
        out->emplace_back(itemPath, item);
        treeNodes(tree, item, itemPath, out);
    }
}

std::vector<std::wstring> listRows(HWND list) {
    RemoteBuffer buffer(list, sizeof(LVITEMW) + kItemChars * sizeof(wchar_t));
    HWND header = reinterpret_cast<HWND>(ask(list, LVM_GETHEADER));
    const int columns = header ? static_cast<int>(ask(header, HDM_GETITEMCOUNT)) : 1;
    std::vector<std::wstring> rows;
    const int count = static_cast<int>(ask(list, LVM_GETITEMCOUNT));
    for (int row = 0; row < count; ++row) {
        std::wstring line;
        for (int column = 0; column < columns; ++column) {
            LVITEMW query{};
            query.iSubItem = column;
            query.pszText = reinterpret_cast<wchar_t*>(buffer.at(sizeof(LVITEMW)));
            query.cchTextMax = kItemChars;
            buffer.write(&query, sizeof query);
            const LRESULT got = ask(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), buffer.at());
            std::wstring text(static_cast<std::size_t>(got > 0 ? got : 0), L'\0');
            if (got > 0) buffer.read(text.data(), text.size() * sizeof(wchar_t), sizeof(LVITEMW));
            line += (column ? L"|" : L"") + text;
        }
        rows.push_back(line);
    }
    return rows;
}

std::vector<std::wstring> statusTexts(HWND bar) {
    const int parts = static_cast<int>(ask(bar, SB_GETPARTS));
    RemoteBuffer buffer(bar, kItemChars * sizeof(wchar_t));
    std::vector<std::wstring> texts;
    for (int part = 0; part < parts; ++part) {
        const std::size_t length = LOWORD(ask(bar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(part)));
        if (length >= kItemChars) fail(L"a status text is too long");
        ask(bar, SB_GETTEXTW, static_cast<WPARAM>(part), buffer.at());
        std::wstring text(length, L'\0');
        if (length) buffer.read(text.data(), length * sizeof(wchar_t));
        texts.push_back(text);
    }
    return texts;
}

void selectListRow(HWND list, int row) {
    RemoteBuffer buffer(list, sizeof(LVITEMW));
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    buffer.write(&state, sizeof state);
    if (!ask(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), buffer.at())) fail(L"the row cannot be selected");
}

void editLabel(HWND view, const std::wstring& text) {
    const UINT editControl = className(view) == WC_TREEVIEWW ? TVM_GETEDITCONTROL : LVM_GETEDITCONTROL;
    HWND editor = waitFor([&] { return reinterpret_cast<HWND>(ask(view, editControl)); }, kFindLimit,
                          L"no label editor is open");
    ask(editor, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    post(editor, WM_KEYDOWN, VK_RETURN, 1);
    postRelease(editor, VK_RETURN, 1 | 0xC0000000);
    if (!waitUntil([&] { return !IsWindow(editor); }, std::chrono::seconds(10))) fail(L"the label editor stays open");
    ask(GetAncestor(view, GA_ROOT), WM_NULL);  // the program has handled the end of the edit
}

void selectTab(HWND tabs, int index) {
    const int count = static_cast<int>(ask(tabs, TCM_GETITEMCOUNT));
    if (index < 0 || index >= count) fail(L"the tab control has no tab " + std::to_wstring(index));
    RECT place{};
    {
        RemoteBuffer buffer(tabs, sizeof(RECT));
        if (!ask(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(index), buffer.at())) fail(L"the tab's place is unknown");
        buffer.read(&place, sizeof place);
    }
    // The middle of the tab, pressed and let go, as a mouse does.
    const LPARAM at = MAKELPARAM((place.left + place.right) / 2, (place.top + place.bottom) / 2);
    post(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
    post(tabs, WM_LBUTTONUP, 0, at);
    if (!waitUntil([&] { return ask(tabs, TCM_GETCURSEL) == index; }, std::chrono::seconds(5)))
        fail(L"the click did not select tab " + std::to_wstring(index));
    ask(GetAncestor(tabs, GA_ROOT), WM_NULL);  // the program has handled the change
}

// The control a mouse click at `screen` reaches below `top`: the first
// shown child in the z-order that holds the point, level by level. Group
// boxes and transparent windows let clicks through, as their hit test says.
HWND reachedAt(HWND top, POINT screen) {
    HWND reached = top;
    for (;;) {
        HWND next = nullptr;
        for (HWND child = GetWindow(reached, GW_CHILD); child && !next; child = GetWindow(child, GW_HWNDNEXT)) {
            RECT r{};
            GetWindowRect(child, &r);
            const LONG style = GetWindowLongW(child, GWL_STYLE);
            const bool groupBox = className(child) == L"Button" && (style & BS_TYPEMASK) == BS_GROUPBOX;
            if (IsWindowVisible(child) && PtInRect(&r, screen) && !groupBox &&
                !(GetWindowLongW(child, GWL_EXSTYLE) & WS_EX_TRANSPARENT))
                next = child;
        }
        if (!next) return reached;
        reached = next;
    }
}

// ---- Message boxes and file dialogs --------------------------------------------------

HWND programMessageBox() {
    for (HWND window : topWindows()) {
        if (className(window) == L"#32770" && caption(window) == kProgramTitle) return window;
    }
    return nullptr;
}

std::wstring withoutMnemonic(const std::wstring& text) {
    std::wstring out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

std::vector<HWND> buttonsOf(HWND dialog) {
    std::vector<HWND> buttons;
    for (HWND child : descendants(dialog)) {
        if (IsWindowVisible(child) && className(child) == L"Button") buttons.push_back(child);
    }
    return buttons;
}

void waitGone(HWND window, std::chrono::milliseconds limit, const std::wstring& what) {
    if (waitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, limit)) return;
    // What stands in its way, such as a message of its own.
    std::wstring shown;
    for (HWND w : topWindows()) shown += L" \"" + caption(w) + L"\" (" + className(w) + L")";
    fail(what + L" did not go; shown:" + shown);
}

// The file name box of the common file dialog: an edit box inside the
// combo box cmb13 (1148) of the Explorer-style dialog, or the edit box edt1 (1152).
HWND fileNameBox(HWND dialog) {
    if (HWND combo = childById(dialog, 1148)) {
        if (className(combo) == L"Edit") return combo;
        for (HWND inside : descendants(combo)) {
            if (className(inside) == L"Edit") return inside;
        }
    }
    if (HWND edit = childById(dialog, 1152); edit && className(edit) == L"Edit") return edit;
    return nullptr;
}

// ---- Pictures ------------------------------------------------------------------

void capture(HWND window, const std::wstring& file) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ask(window, WM_NULL);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    ask(window, WM_NULL);
    RECT place{};
    GetWindowRect(window, &place);
    const int width = place.right - place.left, height = place.bottom - place.top;
    if (width <= 0 || height <= 0) fail(L"the window has no size");
    // The screen as it shows the window: another process's window cannot be
    // asked to print itself into our device context.
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as BMP files keep their rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, picture);
    const BOOL copied = BitBlt(memory, 0, 0, width, height, screen, place.left, place.top, SRCCOPY);
    GdiFlush();
    const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD imageBytes = rowBytes * static_cast<DWORD>(height);
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;  // "BM"
    header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    header.bfSize = header.bfOffBits + imageBytes;
    info.bmiHeader.biSizeImage = imageBytes;
    bool written = false;
    if (copied) {
        if (FILE* out = _wfopen(file.c_str(), L"wb")) {
            written = std::fwrite(&header, sizeof header, 1, out) == 1 &&
                      std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
                      std::fwrite(bits, 1, imageBytes, out) == imageBytes;
            written = std::fclose(out) == 0 && written;
        }
    }
    SelectObject(memory, old);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!copied) fail(L"the screen could not be read");
    if (!written) fail(L"cannot write " + file);
}

// ---- The commands ----------------------------------------------------------------

struct Command {
    const wchar_t* name;
    int arguments;
    std::function<void(const std::vector<std::wstring>&)> run;
};

void clickButton(HWND button, const std::wstring& idText, bool wait) {
    mustBeUsable(button, idText);
    if (wait) ask(button, BM_CLICK);
    else post(button, BM_CLICK);
}

const std::vector<Command>& commands() {
    static const std::vector<Command> all{
        {L"windows", 0,
         [](const auto&) {
             for (HWND w : topWindows()) printLine(joined({caption(w), className(w)}));
         }},
        {L"wait-window", 2, [](const auto& a) { window(a[0], seconds(a[1])); }},
        {L"wait-gone", 2,
         [](const auto& a) {
             if (!waitUntil([&] { return shownWindow(a[0]) == nullptr; }, seconds(a[1])))
                 fail(L"the window \"" + a[0] + L"\" is still shown");
         }},
        {L"geometry", 1,
         [](const auto& a) {
             HWND w = window(a[0]);
             RECT outer{}, inner{};
             GetWindowRect(w, &outer);
             GetClientRect(w, &inner);
             printLine(std::to_wstring(outer.left) + L" " + std::to_wstring(outer.top) + L" " +
                       std::to_wstring(outer.right - outer.left) + L" " + std::to_wstring(outer.bottom - outer.top) +
                       L" " + std::to_wstring(inner.right) + L" " + std::to_wstring(inner.bottom));
         }},
        {L"layout", 1,
         [](const auto& a) {
             HWND w = window(a[0]);
             // The program's font handle is its own; the same font is made here.
             NONCLIENTMETRICSW metrics{};
             metrics.cbSize = sizeof(metrics);
             SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
             HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
             HDC screen = GetDC(nullptr);
             HGDIOBJ old = SelectObject(screen, font);
             for (HWND child : descendants(w)) {
                 RECT r{};
                 GetWindowRect(child, &r);
                 MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&r), 2);
                 const std::wstring text = ask(child, WM_GETTEXTLENGTH) < 400 ? controlText(child) : L"...";
                 const std::wstring shown = className(child) == L"Button" ? withoutMnemonic(text) : text;
                 SIZE extent{};
                 GetTextExtentPoint32W(screen, shown.c_str(), static_cast<int>(shown.size()), &extent);
                 printLine(std::to_wstring(GetDlgCtrlID(child)) + L" " + className(child) + L" " +
                           std::to_wstring(IsWindowVisible(child) ? 1 : 0) + L" " +
                           std::to_wstring(IsWindowEnabled(child) ? 1 : 0) + L" " + std::to_wstring(r.left) + L" " +
                           std::to_wstring(r.top) + L" " + std::to_wstring(r.right - r.left) + L" " +
                           std::to_wstring(r.bottom - r.top) + L" " + std::to_wstring(extent.cx) + L" " +
                           escaped(text));
             }
             SelectObject(screen, old);
             ReleaseDC(nullptr, screen);
             DeleteObject(font);
         }},
        {L"text", 2, [](const auto& a) { printLine(escaped(controlText(control(a[0], a[1])))); }},
        {L"set-text", 3,
         [](const auto& a) {
             HWND c = control(a[0], a[1]);
             mustBeUsable(c, a[1]);
             ask(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(a[2].c_str()));
         }},
        {L"click", 2, [](const auto& a) { clickButton(control(a[0], a[1]), a[1], true); }},
        {L"post-click", 2, [](const auto& a) { clickButton(control(a[0], a[1]), a[1], false); }},
        {L"checked", 2, [](const auto& a) { printLine(std::to_wstring(ask(control(a[0], a[1]), BM_GETCHECK))); }},
        {L"check", 3,
         [](const auto& a) {
             HWND box = control(a[0], a[1]);
             const LRESULT wanted = number(a[2]) ? BST_CHECKED : BST_UNCHECKED;
             if (ask(box, BM_GETCHECK) == wanted) return;
             clickButton(box, a[1], true);
             if (ask(box, BM_GETCHECK) != wanted) fail(L"the click did not change the box " + a[1]);
         }},
        {L"enabled", 2, [](const auto& a) { printLine(IsWindowEnabled(control(a[0], a[1])) ? L"1" : L"0"); }},
        {L"visible", 2, [](const auto& a) { printLine(IsWindowVisible(control(a[0], a[1])) ? L"1" : L"0"); }},
        {L"at", 2,
         [](const auto& a) {
             HWND c = control(a[0], a[1]);
             RECT r{};
             GetWindowRect(c, &r);
             HWND reached = reachedAt(GetAncestor(c, GA_ROOT), POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
             printLine(std::to_wstring(GetDlgCtrlID(reached)) + L" " + className(reached));
         }},
        {L"wait-enabled", 4,
         [](const auto& a) {
             HWND c = control(a[0], a[1]);
             const bool wanted = number(a[2]) != 0;
             if (!waitUntil([&] { return (IsWindowEnabled(c) != FALSE) == wanted; }, seconds(a[3])))
                 fail(L"the control " + a[1] + (wanted ? L" stayed disabled" : L" stayed enabled"));
         }},
        {L"press", 3,
         [](const auto& a) {
             HWND c = control(a[0], a[1]);
             mustBeUsable(c, a[1]);
             const WPARAM key = a[2] == L"return" ? VK_RETURN : a[2] == L"escape" ? VK_ESCAPE : 0;
             if (!key) fail(L"unknown key " + a[2]);
             const UINT scan = MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
             post(c, WM_KEYDOWN, key, 1 | static_cast<LPARAM>(scan) << 16);
             post(c, WM_CHAR, key == VK_RETURN ? L'\r' : 0x1B, 1 | static_cast<LPARAM>(scan) << 16);
             postRelease(c, key, 1 | static_cast<LPARAM>(scan) << 16 | 0xC0000000);
         }},
        {L"right-click", 2,
         [](const auto& a) {
             HWND c = control(a[0], a[1]);
             if (!IsWindowVisible(c)) fail(L"the control " + a[1] + L" is not shown");
             RECT r{};
             GetClientRect(c, &r);
             const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
             post(c, WM_RBUTTONDOWN, MK_RBUTTON, at);
             post(c, WM_RBUTTONUP, 0, at);
         }},
        {L"popup-choose", 1,
         [](const auto& a) {
             // The menu's entries belong to the program's process and cannot be
             // read from here; its keyboard takes the arrows and Enter from any window.
             HWND menu = waitFor(
                 [] {
                     for (HWND w : topWindows()) {
                         if (className(w) == L"#32768") return w;
                     }
                     return HWND{};
                 },
                 kFindLimit, L"no pop-up menu is shown");
             for (int i = 0; i <= number(a[0]); ++i) {
                 post(menu, WM_KEYDOWN, VK_DOWN, 1);
                 post(menu, WM_KEYUP, VK_DOWN, 1 | 0xC0000000);
             }
             post(menu, WM_KEYDOWN, VK_RETURN, 1);
             postRelease(menu, VK_RETURN, 1 | 0xC0000000);
             waitGone(menu, std::chrono::seconds(10), L"the pop-up menu");
         }},
        {L"tabs", 2, [](const auto& a) { printLine(joined(tabCaptions(control(a[0], a[1])))); }},
        {L"tab", 2, [](const auto& a) { printLine(std::to_wstring(ask(control(a[0], a[1]), TCM_GETCURSEL))); }},
        {L"select-tab", 3,
         [](const auto& a) {
             HWND tabs = control(a[0], a[1]);
             mustBeUsable(tabs, a[1]);
             selectTab(tabs, number(a[2]));
         }},
        {L"menu", 2,
         [](const auto& a) {
             HWND w = window(a[0]);
             if (!IsWindowEnabled(w)) fail(L"the window \"" + a[0] + L"\" is disabled (a modal window is open)");
             post(w, WM_COMMAND, MAKEWPARAM(controlId(a[1]), 0), 0);
         }},
        {L"list-lines", 2,
         [](const auto& a) { printLine(joined(entries(control(a[0], a[1]), LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT))); }},
        {L"combo-items", 2,
         [](const auto& a) {
             printLine(joined(entries(control(a[0], a[1]), CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT)));
         }},
        {L"combo-select", 3,
         [](const auto& a) {
             HWND combo = control(a[0], a[1]);
             mustBeUsable(combo, a[1]);
             const LRESULT index = ask(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(a[2].c_str()));
             if (index == CB_ERR) fail(L"the combo box " + a[1] + L" has no entry " + a[2]);
             ask(combo, CB_SETCURSEL, static_cast<WPARAM>(index));
             // A choice from the list tells the window so; CB_SETCURSEL alone does not.
             post(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
             ask(GetAncestor(combo, GA_ROOT), WM_NULL);
         }},
        {L"tree-items", 2,
         [](const auto& a) {
             std::vector<std::pair<std::wstring, HTREEITEM>> nodes;
             treeNodes(control(a[0], a[1]), TVI_ROOT, L"", &nodes);
             std::vector<std::wstring> paths;
             for (const auto& node : nodes) paths.push_back(node.first);
             printLine(joined(paths));
         }},
        {L"tree-select", 3,
         [](const auto& a) {
             HWND tree = control(a[0], a[1]);
             mustBeUsable(tree, a[1]);
             std::vector<std::pair<std::wstring, HTREEITEM>> nodes;
             treeNodes(tree, TVI_ROOT, L"", &nodes);
             for (const auto& [path, item] : nodes) {
                 if (path != a[2]) continue;
                 ask(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
                 return;
             }
             fail(L"the tree has no node " + a[2]);
         }},
        {L"list-rows", 2, [](const auto& a) { printLine(joined(listRows(control(a[0], a[1])))); }},
        {L"list-select", 3,
         [](const auto& a) {
             HWND list = control(a[0], a[1]);
             mustBeUsable(list, a[1]);
             selectListRow(list, number(a[2]));
         }},
        {L"status-texts", 2, [](const auto& a) { printLine(joined(statusTexts(control(a[0], a[1])))); }},
        {L"edit-label", 3, [](const auto& a) { editLabel(control(a[0], a[1]), a[2]); }},
        {L"message-box", 1,
         [](const auto& a) {
             HWND box = waitFor(programMessageBox, seconds(a[0]), L"no message box of the program is shown");
             HWND text = childById(box, kMessageBoxText);
             std::vector<std::wstring> parts{text ? controlText(text) : L""};
             for (HWND button : buttonsOf(box)) parts.push_back(withoutMnemonic(controlText(button)));
             printLine(joined(parts));
         }},
        {L"answer-message-box", 1,
         [](const auto& a) {
             HWND box = waitFor(programMessageBox, kFindLimit, L"no message box of the program is shown");
             for (HWND button : buttonsOf(box)) {
                 if (withoutMnemonic(controlText(button)) == a[0]) {
                     post(button, BM_CLICK);
                     waitGone(box, std::chrono::seconds(10), L"the message box");
                     return;
                 }
             }
             fail(L"the message box has no button " + a[0]);
         }},
        {L"file-dialog", 2,
         [](const auto& a) {
             HWND dialog = window(a[0]);
             HWND name = waitFor([&] { return fileNameBox(dialog); }, kFindLimit, L"the file dialog has no file name box");
             ask(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(a[1].c_str()));
             // Its list view is number 1 too; the button is the one that says Open or Save.
             HWND ok = nullptr;
             for (HWND button : buttonsOf(dialog)) {
                 if (!ok && GetDlgCtrlID(button) == IDOK) ok = button;
             }
             if (!ok) fail(L"the file dialog has no OK button");
             clickButton(ok, L"IDOK", false);
             waitGone(dialog, std::chrono::seconds(10), L"the file dialog");
         }},
        {L"capture", 2, [](const auto& a) { capture(window(a[0]), a[1]); }},
        {L"close", 1, [](const auto& a) { post(window(a[0]), WM_CLOSE); }},
        {L"sleep", 1, [](const auto& a) { std::this_thread::sleep_for(std::chrono::milliseconds(number(a[0]))); }},
    };
    return all;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    std::vector<std::wstring> words(argv + 1, argv + argc);
    if (words.empty()) {
        std::fputs("usage: window-driver COMMAND ARGS... [COMMAND ARGS...]... (the commands are listed in its source)\n",
                   stderr);
        return 2;
    }
    for (std::size_t at = 0; at < words.size();) {
        const Command* command = nullptr;
        for (const auto& c : commands()) {
            if (words[at] == c.name) command = &c;
        }
        if (!command) {
            std::fprintf(stderr, "window-driver: unknown command %s\n", utf8(words[at]).c_str());
            return 2;
        }
        if (at + 1 + command->arguments > words.size()) {
            std::fprintf(stderr, "window-driver: %s needs %d arguments\n", utf8(words[at]).c_str(), command->arguments);
            return 2;
        }
        const std::vector<std::wstring> arguments(words.begin() + static_cast<std::ptrdiff_t>(at + 1),
                                                  words.begin() + static_cast<std::ptrdiff_t>(at + 1 + command->arguments));
        try {
            command->run(arguments);
        } catch (const Failure& failure) {
            std::string line = utf8(words[at]);
            for (const auto& argument : arguments) line += " " + utf8(argument);
            std::fprintf(stderr, "window-driver: %s: %s\n", line.c_str(), failure.what());
            return 1;
        }
        at += 1 + command->arguments;
    }
    return 0;
}

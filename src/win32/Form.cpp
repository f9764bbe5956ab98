#include "win32/Form.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "platform/win32/WideText.h"

namespace win32 {

namespace {

constexpr const wchar_t* kFormClass = L"TarnholdForm";
constexpr const wchar_t* kPageClass = L"TarnholdPage";
constexpr UINT kPostedWork = WM_APP + 1;

// The top-level windows of this thread that take dialog keys (Tab, arrows,
// Enter, Esc), newest last: the modal one is the one the user types into.
std::vector<HWND>& dialogWindows() {
    static std::vector<HWND> windows;
    return windows;
}

// A page hands what its controls tell it to the window it stands on.
LRESULT CALLBACK pageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CONTEXTMENU:
        case WM_HSCROLL:
        case WM_VSCROLL:
            return SendMessageW(GetParent(page), message, wParam, lParam);
        default: return DefWindowProcW(page, message, wParam, lParam);
    }
}

void registerClass() {
    static bool registered = false;
    if (registered) return;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = DefWindowProcW;  // replaced per window once it exists
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    if (!wc.hIcon) wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.lpszClassName = kFormClass;
    RegisterClassExW(&wc);
    WNDCLASSEXW page = wc;
    page.lpfnWndProc = pageProcedure;
    page.hIcon = nullptr;
    page.lpszClassName = kPageClass;
    RegisterClassExW(&page);
    registered = true;
}

HFONT messageFont(int dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    // The metrics come at the system's dpi; the window's may differ.
    HDC screen = GetDC(nullptr);
    const int systemDpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (systemDpi > 0 && systemDpi != dpi) metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, systemDpi);
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

}  // namespace

Form::Form(const std::string& caption, int clientWidth, int clientHeight, bool mainWindow, HWND owner)
    : owner_(owner), mainWindow_(mainWindow) {
    registerClass();
    HDC screen = GetDC(nullptr);
    dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (dpi_ <= 0) dpi_ = 96;
    font_ = messageFont(dpi_);
    const DWORD style = mainWindow ? (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN)
                                   : (WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | DS_MODALFRAME);
    const DWORD exStyle = mainWindow ? WS_EX_CONTROLPARENT : (WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME);
    RECT frame{0, 0, scaled(clientWidth), scaled(clientHeight)};
    AdjustWindowRectEx(&frame, style, mainWindow, exStyle);  // a main window has a menu bar
    hwnd_ = CreateWindowExW(exStyle, kFormClass, platform::wide(caption).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                            frame.right - frame.left, frame.bottom - frame.top, owner, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Form::procedure));
    dialogWindows().push_back(hwnd_);
    if (owner) {
        // Centred over its owner, as a dialog opens, and like a dialog kept
        // within the owner's screen when it is the larger of the two.
        RECT o{}, me{};
        GetWindowRect(owner, &o);
        GetWindowRect(hwnd_, &me);
        const int w = me.right - me.left, h = me.bottom - me.top;
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor);
        const RECT& area = monitor.rcWork;
        const int x = std::max<int>(area.left, std::min<int>(o.left + ((o.right - o.left) - w) / 2, area.right - w));
        const int y = std::max<int>(area.top, std::min<int>(o.top + ((o.bottom - o.top) - h) / 2, area.bottom - h));
        SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

Form::~Form() {
    auto& windows = dialogWindows();
    for (auto it = windows.begin(); it != windows.end(); ++it) {
        if (*it == hwnd_) {
            windows.erase(it);
            break;
        }
    }
    if (hwnd_ && IsWindow(hwnd_)) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    if (font_) DeleteObject(font_);
}

int Form::scaled(int pixels) const { return MulDiv(pixels, dpi_, 96); }

HWND Form::add(const wchar_t* windowClass, const std::string& text, DWORD style, int id, Box box, DWORD exStyle) {
    HWND child = CreateWindowExW(exStyle, windowClass, platform::wide(text).c_str(), WS_CHILD | WS_VISIBLE | style,
                                 scaled(box.x), scaled(box.y), scaled(box.w), scaled(box.h), into_ ? into_ : hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    if (id > 0) controls_[id] = child;
    return child;
}

HWND Form::control(int id) const {
    auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

HWND Form::page(Box box) {
    HWND container = CreateWindowExW(WS_EX_CONTROLPARENT, kPageClass, L"", WS_CHILD | WS_CLIPSIBLINGS, scaled(box.x),
                                     scaled(box.y), scaled(box.w), scaled(box.h), hwnd_, nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
    return container;
}

HWND Form::button(int id, const std::string& caption, Box box, bool isDefault) {
    return add(WC_BUTTONW, caption, WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), id, box);
}

HWND Form::checkBox(int id, const std::string& caption, Box box) {
    return add(WC_BUTTONW, caption, WS_TABSTOP | BS_AUTOCHECKBOX, id, box);
}

HWND Form::radioButton(int id, const std::string& caption, Box box, bool firstOfGroup) {
    return add(WC_BUTTONW, caption, BS_AUTORADIOBUTTON | (firstOfGroup ? WS_GROUP | WS_TABSTOP : 0), id, box);
}

HWND Form::edit(int id, Box box, DWORD extraStyle) {
    return add(WC_EDITW, "", WS_TABSTOP | ES_AUTOHSCROLL | extraStyle, id, box, WS_EX_CLIENTEDGE);
}

HWND Form::label(const std::string& caption, Box box, int id) {
    return add(WC_STATICW, caption, SS_LEFT | SS_NOPREFIX, id, box);
}

HWND Form::group(const std::string& caption, Box box, int id) {
    return add(WC_BUTTONW, caption, BS_GROUPBOX, id, box);
}

int Form::showModal() {
    modal_ = true;
    modalDone_ = false;
    if (owner_) EnableWindow(owner_, FALSE);
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    MSG msg;
    while (!modalDone_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(hwnd_, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (!modalDone_) PostQuitMessage(0);  // the loop ended for WM_QUIT: pass it on
    // The owner comes back before this window goes, so it keeps the focus.
    if (owner_) {
        EnableWindow(owner_, TRUE);
        SetActiveWindow(owner_);
    }
    ShowWindow(hwnd_, SW_HIDE);
    modal_ = false;
    return modalResult_;
}

void Form::endModal(int result) {
    modalResult_ = result;
    modalDone_ = true;
    PostMessageW(hwnd_, WM_NULL, 0, 0);  // wakes the loop
}

void Form::post(std::function<void()> work) {
    {
        std::lock_guard lock(postedMutex_);
        posted_.push_back(std::move(work));
    }
    PostMessageW(hwnd_, kPostedWork, 0, 0);
}

void Form::runPosted() {
    for (;;) {
        std::function<void()> work;
        {
            std::lock_guard lock(postedMutex_);
            if (posted_.empty()) return;
            work = std::move(posted_.front());
            posted_.pop_front();
        }
        work();
    }
}

int Form::runMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        HWND target = nullptr;
        for (HWND window : dialogWindows()) {
            if (window == msg.hwnd || IsChild(window, msg.hwnd)) target = window;
        }
        if (target && IsDialogMessageW(target, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

bool Form::handleMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT CALLBACK Form::procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!form) return DefWindowProcW(hwnd, message, wParam, lParam);
    return form->dispatch(message, wParam, lParam);
}

LRESULT Form::dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (handleMessage(message, wParam, lParam, result)) return result;
    switch (message) {
        case kPostedWork: runPosted(); return 0;
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            const int code = HIWORD(wParam);
            // A click, a menu entry or an accelerator; IDCANCEL is Esc in a dialog.
            if (code == BN_CLICKED || (lParam == 0 && (code == 0 || code == 1))) {
                auto handler = commands_.find(id);
                if (handler != commands_.end()) {
                    auto run = handler->second;  // a handler may replace itself
                    run();
                    return 0;
                }
                if (id == IDCANCEL && modal_) {
                    if (mayClose()) endModal(IDCANCEL);
                    return 0;
                }
            }
            break;
        }
        case WM_CLOSE:
            if (!mayClose()) return 0;
            if (modal_) {
                endModal(IDCANCEL);
                return 0;
            }
            if (mainWindow_) {
                DestroyWindow(hwnd_);
                return 0;
            }
            ShowWindow(hwnd_, SW_HIDE);
            return 0;
        case WM_DESTROY:
            if (mainWindow_) PostQuitMessage(0);
            return 0;
        default: break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

std::string windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return platform::utf8(text);
}

void setWindowText(HWND window, const std::string& text) { SetWindowTextW(window, platform::wide(text).c_str()); }

bool isChecked(HWND box) { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void setChecked(HWND box, bool on) { SendMessageW(box, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }

std::string editText(HWND box) { return windowText(box); }

void setEditText(HWND box, const std::string& text) {
    // An edit box breaks lines only at CR LF; a lone LF would show as a box.
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) lines += '\r';
        lines += text[i];
    }
    setWindowText(box, lines);
}

}  // namespace win32

#pragma once
// A window built from code out of the standard controls, the way every
// Win32 window of the program is made: controls created in their tab order
// (as the dialog manager creates them), the system's message font,
// positions given at 96 dpi and scaled to the screen, Tab and the arrow
// keys moving as in a dialog, pages (the panes of a tab control) as child
// containers whose notifications reach the window, and a modal loop for
// the secondary windows. Texts are UTF-8 on our side and wide on the
// system's. Every control has its identifier (win32/ControlIds.h), found
// with control(id) or, from outside, among the window's descendants.

#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace win32 {

// A control's place in the window's client area, at 96 dpi.
struct Box {
    int x, y, w, h;
};

class Form {
public:
    // `clientWidth` and `clientHeight` at 96 dpi. A main window has a
    // minimise box and ends the program's message loop when it closes.
    Form(const std::string& caption, int clientWidth, int clientHeight, bool mainWindow, HWND owner = nullptr);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    HWND handle() const { return hwnd_; }
    // The control of that identifier, on the window or on one of its pages.
    HWND control(int id) const;

    // A page: a container over a tab control's display area (`box` in the
    // window), shown or hidden as a whole. Controls added after
    // placeInto(page) go onto it, with positions relative to it;
    // placeInto(nullptr) goes back to the window itself.
    HWND page(Box box);
    void placeInto(HWND container) { into_ = container; }

    HWND add(const wchar_t* windowClass, const std::string& text, DWORD style, int id, Box box, DWORD exStyle = 0);
    HWND button(int id, const std::string& caption, Box box, bool isDefault = false);
    HWND checkBox(int id, const std::string& caption, Box box);
    HWND radioButton(int id, const std::string& caption, Box box, bool firstOfGroup);
    HWND edit(int id, Box box, DWORD extraStyle = 0);
    HWND label(const std::string& caption, Box box, int id = -1);
    HWND group(const std::string& caption, Box box, int id = -1);

    // What a click on a button or a menu entry does.
    void onCommand(int id, std::function<void()> handler) { commands_[id] = std::move(handler); }

    // Shown over the owner given at construction, which is disabled until
    // endModal; returns endModal's result (IDCANCEL for the close box).
    int showModal();
    void endModal(int result);

    // Runs `work` on this window's thread, from any thread.
    void post(std::function<void()> work);

    // The program's message loop, until the main window is closed.
    static int runMessageLoop();
    int scaled(int pixels) const;

protected:
    // Messages a window handles itself; false leaves them to the default.
    virtual bool handleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // The close box: true lets the window close.
    virtual bool mayClose() { return true; }

private:
    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void runPosted();

    HWND hwnd_ = nullptr;
    HWND owner_ = nullptr;
    HWND into_ = nullptr;
    std::map<int, HWND> controls_;
    HFONT font_ = nullptr;
    int dpi_ = 96;
    bool mainWindow_ = false;
    bool modal_ = false;
    bool modalDone_ = false;
    int modalResult_ = IDCANCEL;
    std::map<int, std::function<void()>> commands_;
    std::mutex postedMutex_;
    std::deque<std::function<void()>> posted_;
};

// Control texts and states, in UTF-8.
std::string windowText(HWND window);
void setWindowText(HWND window, const std::string& text);
bool isChecked(HWND box);
void setChecked(HWND box, bool on);
// Texts of the program (CR LF line breaks) as an edit box shows them, and back.
std::string editText(HWND box);
void setEditText(HWND box, const std::string& text);

}  // namespace win32

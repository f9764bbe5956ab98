#include "win32/Win32Dialogs.h"

#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>

#include <vector>

#include "config/Globals.h"
#include "platform/win32/WideText.h"
#include "win32/frmPwd.h"

namespace win32 {

namespace {

UINT iconFlag(platform::Icon icon) {
    switch (icon) {
        case platform::Icon::Critical: return MB_ICONERROR;
        case platform::Icon::Exclamation: return MB_ICONWARNING;
        case platform::Icon::Information: return MB_ICONINFORMATION;
        case platform::Icon::Question: return MB_ICONQUESTION;
        case platform::Icon::None: break;
    }
    return 0;
}

UINT buttonsFlag(platform::Buttons buttons) {
    switch (buttons) {
        case platform::Buttons::Ok: return MB_OK;
        case platform::Buttons::OkCancel: return MB_OKCANCEL;
        case platform::Buttons::YesNo: return MB_YESNO;
    }
    return MB_OK;
}

// "Caption (*.ext)|*.ext" as the common dialogs take it: pieces ended by
// NUL, the list by a second one. A lone pattern is its own caption.
std::wstring dialogFilter(const std::string& filter) {
    std::wstring pieces = platform::wide(filter);
    if (pieces.find(L'|') == std::wstring::npos) pieces += L'|' + pieces;
    for (wchar_t& c : pieces) {
        if (c == L'|') c = L'\0';
    }
    pieces += L'\0';
    pieces += L'\0';
    return pieces;
}

// The extension the dialog adds to a bare name: the filter's last pattern's,
// when it names one.
std::wstring defaultExtension(const std::string& filter) {
    const auto star = filter.rfind("*.");
    if (star == std::string::npos) return {};
    std::string ext = filter.substr(star + 2);
    ext = ext.substr(0, ext.find_first_of(";|) "));
    if (ext.empty() || ext.find_first_of("*?") != std::string::npos) return {};
    return platform::wide(ext);
}

std::optional<std::string> fileDialog(HWND owner, const platform::FileDialogRequest& request, bool save) {
    const std::wstring filter = dialogFilter(request.filter);
    const std::wstring title = platform::wide(request.title);
    const std::wstring folder = platform::wide(request.folder);
    const std::wstring extension = defaultExtension(request.filter);
    // Room for any path the wide API takes.
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring proposed = platform::wide(request.fileName);
    if (proposed.size() < file.size()) std::copy(proposed.begin(), proposed.end(), file.begin());

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = request.filter.empty() ? nullptr : filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
    dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    // The program's own files are found beside it, never through the
    // current folder, which the dialog would otherwise move.
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    if (save && request.confirmOverwrite) dialog.Flags |= OFN_OVERWRITEPROMPT;
    if (!save) dialog.Flags |= OFN_FILEMUSTEXIST;
    const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (!chosen) return std::nullopt;  // cancelled, or the dialog failed: nothing chosen either way
    return platform::utf8(file.data());
}

// The folder browser needs COM on this thread; whoever started it first ends it.
class ComOnThisThread {
public:
    ComOnThisThread() : started_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComOnThisThread() {
        if (started_) CoUninitialize();
    }
    ComOnThisThread(const ComOnThisThread&) = delete;
    ComOnThisThread& operator=(const ComOnThisThread&) = delete;

private:
    bool started_;
};

}  // namespace

HWND Win32Dialogs::owner() const {
    // Every window of ours is of one class, the main window's.
    HWND active = GetActiveWindow();
    if (active && owner_ && IsWindow(owner_) &&
        GetClassLongPtrW(active, GCW_ATOM) == GetClassLongPtrW(owner_, GCW_ATOM)) {
        return active;
    }
    return owner_;
}

platform::Answer Win32Dialogs::message(const std::string& text, platform::Icon icon, platform::Buttons buttons,
                                       const std::string& title) {
    const std::wstring caption = platform::wide(title.empty() ? std::string(config::kProgramTitle) : title);
    HWND over = owner();
    // Without a window to stand over, the box still keeps the program's
    // other windows waiting.
    const UINT modality = over ? MB_APPLMODAL : MB_TASKMODAL;
    switch (MessageBoxW(over, platform::wide(text).c_str(), caption.c_str(),
                        iconFlag(icon) | buttonsFlag(buttons) | modality | MB_SETFOREGROUND)) {
        case IDOK: return platform::Answer::Ok;
        case IDYES: return platform::Answer::Yes;
        case IDNO: return platform::Answer::No;
        default: return platform::Answer::Cancel;
    }
}

std::optional<std::string> Win32Dialogs::saveFile(const platform::FileDialogRequest& request) {
    return fileDialog(owner(), request, true);
}

std::optional<std::string> Win32Dialogs::openFile(const platform::FileDialogRequest& request) {
    return fileDialog(owner(), request, false);
}

std::optional<std::string> Win32Dialogs::browseFolder(const std::string& prompt) {
    ComOnThisThread com;
    const std::wstring title = platform::wide(prompt);
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW browse{};
    browse.hwndOwner = owner();
    browse.pidlRoot = nullptr;  // the whole desktop
    browse.pszDisplayName = displayName;
    browse.lpszTitle = title.c_str();
    browse.ulFlags = BIF_DONTGOBELOWDOMAIN;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
    if (!chosen) return std::nullopt;
    // A folder without a path of its own (Control Panel, say) gives empty text.
    wchar_t path[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(chosen, path)) path[0] = L'\0';
    CoTaskMemFree(chosen);
    return platform::utf8(path);
}

std::optional<std::string> Win32Dialogs::askPassword() { return AskPassword(owner()); }

}  // namespace win32

#include "platform/win32/Win32Launcher.h"

#include <windows.h>

#include <shellapi.h>

#include "platform/win32/WideText.h"

namespace platform {

namespace {

// ShellExecuteW answers with a number above 32 when it started something.
bool shellExecute(const wchar_t* verb, const std::string& target) {
    if (target.empty()) return false;
    const std::wstring file = wide(target);
    const auto result =
        reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, verb, file.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

bool start(std::wstring commandLine, WORD show) {
    if (commandLine.find_first_not_of(L" \t") == std::wstring::npos) return false;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

WORD showCommand(ShowMode mode) {
    switch (mode) {
        case ShowMode::Minimized: return SW_SHOWMINIMIZED;
        case ShowMode::Hidden: return SW_HIDE;
        case ShowMode::Normal: break;
    }
    return SW_SHOWNORMAL;
}

}  // namespace

bool Win32Launcher::shellOpen(const std::string& target) { return shellExecute(nullptr, target); }

bool Win32Launcher::startWindowsCommand(const std::string& commandLine, ShowMode mode) {
    return start(wide(commandLine), showCommand(mode));
}

bool Win32Launcher::openTextFile(const std::string& hostPath) {
    wchar_t folder[MAX_PATH];
    const UINT n = GetWindowsDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    return start(std::wstring(folder, n) + L"\\notepad.exe " + wide(hostPath), SW_SHOWNORMAL);
}

bool Win32Launcher::openHelp(const std::string& hostPath) { return shellExecute(L"open", hostPath); }

}  // namespace platform

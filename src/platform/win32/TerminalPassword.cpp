#include "platform/TerminalPassword.h"

#include <windows.h>

#include "platform/win32/WideText.h"

namespace platform {

std::optional<std::string> readPasswordFromTerminal(const std::string& prompt) {
    // The console itself, not standard input, which may be a pipe.
    HANDLE in = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE) return std::nullopt;
    HANDLE out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    DWORD saved = 0;
    const bool isConsole = GetConsoleMode(in, &saved) != 0;
    if (isConsole) SetConsoleMode(in, (saved | ENABLE_LINE_INPUT) & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    const std::wstring shown = wide(prompt);
    DWORD written = 0;
    if (out != INVALID_HANDLE_VALUE) WriteConsoleW(out, shown.data(), static_cast<DWORD>(shown.size()), &written, nullptr);
    std::wstring line;
    wchar_t c;
    DWORD read = 0;
    bool ended = true;
    while (ReadConsoleW(in, &c, 1, &read, nullptr) && read == 1) {
        if (c == L'\n') {
            ended = false;
            break;
        }
        if (c != L'\r') line += c;
    }
    if (isConsole) SetConsoleMode(in, saved);
    if (out != INVALID_HANDLE_VALUE) {
        WriteConsoleW(out, L"\r\n", 2, &written, nullptr);
        CloseHandle(out);
    }
    CloseHandle(in);
    if (ended && line.empty()) return std::nullopt;
    return utf8(line);
}

}  // namespace platform

#include "platform/win32/Win32Processes.h"

#include <windows.h>

#include <tlhelp32.h>

namespace platform {

namespace {

std::wstring toWide(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring text(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), n);
    return text;
}

}  // namespace

int Win32Processes::killByName(const std::string& exeName) {
    const std::wstring name = toWide(exeName);
    if (name.empty()) return 0;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    const DWORD self = GetCurrentProcessId();
    int ended = 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == self || entry.th32ProcessID == 0) continue;
        // Compared as Windows compares file names.
        if (CompareStringOrdinal(entry.szExeFile, -1, name.c_str(), -1, TRUE) != CSTR_EQUAL) continue;
        const HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID);
        if (!process) continue;  // gone meanwhile, or not ours to end
        if (TerminateProcess(process, 0)) ++ended;
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    return ended;
}

}  // namespace platform

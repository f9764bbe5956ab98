#include "platform/win32/Win32Processes.h"

#include <windows.h>

#include <tlhelp32.h>

#include "platform/win32/WideText.h"

namespace platform {

int Win32Processes::killByName(const std::string& exeName) {
    const std::wstring name = wide(exeName);
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

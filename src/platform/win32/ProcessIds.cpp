#include "platform/ProcessIds.h"

#include <windows.h>

namespace platform {

long currentProcessId() { return static_cast<long>(GetCurrentProcessId()); }

bool processIsAlive(long pid) {
    if (pid <= 0) return false;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    // Denied: it exists but belongs to someone else.
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

}  // namespace platform

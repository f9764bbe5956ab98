#include "platform/ProcessIds.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <unistd.h>
#endif

namespace platform {

#ifdef _WIN32

long currentProcessId() { return static_cast<long>(GetCurrentProcessId()); }

bool processIsAlive(long pid) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

#else

long currentProcessId() { return static_cast<long>(::getpid()); }

bool processIsAlive(long pid) {
    if (pid <= 0) return false;
    // EPERM: it exists but belongs to someone else.
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

#endif

}  // namespace platform

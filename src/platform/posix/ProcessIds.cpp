#include "platform/ProcessIds.h"

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace platform {

long currentProcessId() { return static_cast<long>(::getpid()); }

bool processIsAlive(long pid) {
    if (pid <= 0) return false;
    // EPERM: it exists but belongs to someone else.
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace platform

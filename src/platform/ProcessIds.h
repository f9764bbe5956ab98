#pragma once
// This process's id, and whether a process recorded earlier is still alive.

namespace platform {

long currentProcessId();
// False only when no process of that id exists any more.
bool processIsAlive(long pid);

}  // namespace platform

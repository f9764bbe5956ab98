#pragma once
// A blocking task run on a worker thread while the window's events go on,
// so a window stays drawn while it waits (for Wine to end, say).

#include <functional>

namespace platform {

// Runs `task` on a worker thread, processing this thread's events (but no
// user input) until it ends; gives its result.
bool RunKeepingWindowAlive(const std::function<bool()>& task);

}  // namespace platform

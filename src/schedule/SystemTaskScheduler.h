#pragma once
// The task scheduler of this system: the "schtasks" commands on Windows,
// the user's crontab elsewhere.

#include <memory>

#include "platform/Services.h"
#include "schedule/TaskScheduler.h"

namespace schedule {

// `program`: the executable the task starts.
std::unique_ptr<TaskScheduler> SystemTaskScheduler(platform::Services& services, const std::string& program);

}  // namespace schedule

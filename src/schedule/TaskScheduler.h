#pragma once
// The system's task scheduler, reduced to the three things the schedule
// window does (end the program's task, delete it, create it anew), and
// whether it is there, for the report on scheduled runs.

#include <optional>
#include <string>

#include "schedule/TaskCommands.h"

namespace schedule {

struct ScheduledTask {
    Weekdays days{};
    std::string startTime;    // "h:mm"
    std::string commandLine;  // the unattended command line
};

class TaskScheduler {
public:
    virtual ~TaskScheduler() = default;
    virtual void end() = 0;
    virtual void remove() = 0;
    virtual void create(const ScheduledTask& task) = 0;
    // Whether the program's task is there; nothing when the scheduler
    // cannot be asked.
    virtual std::optional<bool> taskExists() = 0;
    // Why the last operation failed, or empty.
    virtual std::string lastError() const = 0;
};

}  // namespace schedule

#pragma once
// What the schedule window hands to the task scheduler, and the checks made
// before anything is scheduled.

#include <array>
#include <optional>
#include <string>

#include "backup/BackupRun.h"
#include "items/Catalogue.h"
#include "platform/Dialogs.h"
#include "platform/Environment.h"
#include "schedule/TaskScheduler.h"

namespace schedule {

struct SchedulePlan {
    std::array<bool, items::kItemCount> items{};
    Weekdays days{};
    std::string startTime = "9:00";
    std::string target;  // the window's own target; the main window's stays as it was
    bool protect = false;
    std::string password;
    std::string confirmation;
    std::string user;  // LogonUserName
};

inline constexpr const char* kEqualsSignMessage =
    "The user name, the password and the backup file name of a scheduled backup cannot contain \"=\".";

// "1" for each ticked item, "0" otherwise, in catalogue order.
std::string ItemMask(const std::array<bool, items::kItemCount>& chosen);

// The window's checks in order, then the one the command line needs: no "="
// in any value, since the scheduled run splits its command line there.
std::optional<backup::ValidationFailure> ValidateSchedule(const SchedulePlan& plan);

// "<backup folder>/livemailbak-<user>.wlm".
std::string ProposedScheduleTarget(const platform::Environment& env, const std::string& user);

// Add task: checks, then end, delete and create, then the task's date in the
// run record, then the message. False (the window stays open) when a check
// failed or the scheduler could not create the task.
bool AddTask(TaskScheduler& scheduler, platform::Dialogs& dialogs, const SchedulePlan& plan,
             const std::string& runRecordPath);
// Disable task: end and delete, then the message.
void DisableTask(TaskScheduler& scheduler, platform::Dialogs& dialogs);

}  // namespace schedule

#include "schedule/SchedulePlan.h"

#include "config/OperationTime.h"
#include "config/SettingsFile.h"
#include "platform/HostPath.h"
#include "schedule/ScheduledRunRecord.h"

namespace schedule {

std::string ItemMask(const std::array<bool, items::kItemCount>& chosen) {
    std::string mask;
    for (bool c : chosen) mask += c ? '1' : '0';
    return mask;
}

std::optional<backup::ValidationFailure> ValidateSchedule(const SchedulePlan& plan) {
    if (ItemMask(plan.items).find('1') == std::string::npos) {
        return backup::ValidationFailure{"Please select at least one item.", platform::Icon::Exclamation};
    }
    if (plan.target.empty()) return backup::ValidationFailure{"Invalid backup file name.", platform::Icon::Exclamation};
    if (plan.protect && plan.password.empty() && plan.confirmation.empty()) {
        return backup::ValidationFailure{"Please enter Password!", platform::Icon::Critical};
    }
    if (plan.protect && plan.password != plan.confirmation) {
        return backup::ValidationFailure{"Incorect Password!", platform::Icon::Critical};
    }
    const std::string password = plan.protect ? plan.password : std::string();
    for (const std::string* value : {&plan.user, &password, &plan.target}) {
        if (value->find('=') != std::string::npos) {
            return backup::ValidationFailure{kEqualsSignMessage, platform::Icon::Critical};
        }
    }
    return std::nullopt;
}

std::string ProposedScheduleTarget(const platform::Environment& env, const std::string& user) {
    return platform::joinPath(config::ResolveBackupFolder(env), "livemailbak-" + user + ".wlm");
}

bool AddTask(TaskScheduler& scheduler, platform::Dialogs& dialogs, const SchedulePlan& plan,
             const std::string& runRecordPath) {
    if (auto failure = ValidateSchedule(plan)) {
        dialogs.message(failure->text, failure->icon);
        return false;
    }
    const std::string password = plan.protect ? plan.password : std::string();
    scheduler.end();
    scheduler.remove();
    scheduler.create({plan.days, plan.startTime, UnattendedCommandLine(plan.user, ItemMask(plan.items), password, plan.target)});
    // A scheduler that says why it failed is not answered with success.
    if (std::string why = scheduler.lastError(); !why.empty()) {
        dialogs.message("The backup could not be scheduled:\r\n" + why, platform::Icon::Critical);
        return false;  // the window stays, with the user's choices, for another try
    }
    // A task that never runs must not stay silent: its days count from now.
    RecordTaskSince(runRecordPath, config::CurrentDateTime());
    dialogs.message(std::string("Task ") + kScheduledTaskName + " has been scheduled.", platform::Icon::Information);
    return true;
}

void DisableTask(TaskScheduler& scheduler, platform::Dialogs& dialogs) {
    scheduler.end();
    scheduler.remove();
    dialogs.message(std::string("Task ") + kScheduledTaskName + " has been Delete.", platform::Icon::Information);
}

}  // namespace schedule

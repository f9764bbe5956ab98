#include "schedule/ScheduleWindow.h"

#include "config/SettingsFile.h"
#include "platform/Text.h"
#include "schedule/ScheduledRunRecord.h"
#include "session/Discovery.h"

namespace schedule {

void ScheduleWindowLogic::Form_Load() {
    if (session_.registry.ReadRegistryString(items::kClientKey, "Store Root") == items::kRegistryReadError) {
        session_.services.dialogs.message(session::kMissingClientMessage, platform::Icon::Critical);
        view_.setAddEnabled(false);
        return;
    }
    view_.setUserText(platform::trimBlanks(session_.store.LogonUserName));
    PrepareScheduleWindow();
    view_.setStartTimes(StartTimes(), kDefaultStartTime);
}

void ScheduleWindowLogic::PrepareScheduleWindow() {
    const auto available = session::ItemAvailability(session_.store, session_.services.env, session_.registry);
    for (std::size_t i = 0; i < items::kItemCount; ++i) {
        if (i == items::kCalendars) continue;  // keeps its design state
        view_.setItemChecked(i, false);
        view_.setItemEnabled(i, available[i]);
    }
    target_ = ProposedScheduleTarget(session_.services.env, view_.userText());
    view_.setTargetText(target_);
}

void ScheduleWindowLogic::chkDaily_Click() {
    for (std::size_t d = 0; d < kDayCaptions.size(); ++d) view_.setDayChecked(d, view_.dailyChecked());
}

void ScheduleWindowLogic::ifprotect_Click() { view_.setPasswordBoxesUsable(view_.protectChecked()); }

void ScheduleWindowLogic::cmdTargetFile_Click() {
    const auto& env = session_.services.env;
    platform::FileDialogRequest request{"Save Windows Live Mail Data as",
                                        "Zorva Windows Live Mail Backup File (*.wlm)|*.wlm", "tarnhold", true,
                                        env.hostPath(config::ResolveBackupFolder(env))};
    if (auto chosen = session_.services.dialogs.saveFile(request)) {
        target_ = *chosen;
        view_.setTargetText(target_);
    }
}

SchedulePlan ScheduleWindowLogic::planFromControls() const {
    SchedulePlan plan;
    for (std::size_t i = 0; i < items::kItemCount; ++i) plan.items[i] = view_.itemChecked(i);
    for (std::size_t d = 0; d < plan.days.size(); ++d) plan.days[d] = view_.dayChecked(d);
    plan.startTime = view_.startTime();
    plan.target = target_;
    plan.protect = view_.protectChecked();
    plan.password = view_.password();
    plan.confirmation = view_.confirmation();
    plan.user = session_.store.LogonUserName;
    return plan;
}

void ScheduleWindowLogic::Command3_Click() {
    if (AddTask(scheduler_, session_.services.dialogs, planFromControls(), RunRecordPath(session_.services.env))) {
        view_.closeAccepted();
    }
}

void ScheduleWindowLogic::Command1_Click() { DisableTask(scheduler_, session_.services.dialogs); }

}  // namespace schedule

#pragma once
// The task scheduler on Windows: the three "schtasks" command lines, run
// hidden through the launcher.

#include "platform/Launcher.h"
#include "schedule/TaskScheduler.h"

namespace schedule {

class SchtasksScheduler : public TaskScheduler {
public:
    SchtasksScheduler(platform::Launcher& launcher, std::string programFolder)
        : launcher_(launcher), programFolder_(std::move(programFolder)) {}
    void end() override { launcher_.startWindowsCommand(SchtasksEndCommand(), platform::ShowMode::Hidden); }
    void remove() override { launcher_.startWindowsCommand(SchtasksDeleteCommand(), platform::ShowMode::Hidden); }
    void create(const ScheduledTask& task) override {
        launcher_.startWindowsCommand(
            SchtasksCreateCommand(DayList(task.days), task.startTime, programFolder_, task.commandLine),
            platform::ShowMode::Hidden);
    }
    std::string lastError() const override { return {}; }
    // The commands are started without waiting, so their answer is not seen.
    std::optional<bool> taskExists() override { return std::nullopt; }

private:
    platform::Launcher& launcher_;
    std::string programFolder_;
};

}  // namespace schedule

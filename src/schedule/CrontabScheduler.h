#pragma once
// The task scheduler off Windows: one tagged entry in the user's crontab,
// edited through the crontab program (`crontab -l`, `crontab -`). Every
// other line of the crontab is kept as it was.

#include <optional>

#include "platform/Environment.h"
#include "schedule/TaskScheduler.h"

namespace schedule {

class CrontabScheduler : public TaskScheduler {
public:
    // `crontabProgram`: TARNHOLD_CRONTAB when set, else "crontab".
    CrontabScheduler(platform::Environment env, std::string program, std::string crontabProgram);
    static std::string crontabFromEnvironment();

    void end() override {}  // cron has no running task to end
    void remove() override;
    void create(const ScheduledTask& task) override;
    std::optional<bool> taskExists() override;
    std::string lastError() const override { return error_; }

    // The current lines; nothing when the table cannot be read.
    std::optional<std::vector<std::string>> readCrontab();

private:
    bool writeCrontab(const std::vector<std::string>& lines);

    platform::Environment env_;
    std::string program_;
    std::string crontab_;
    std::string error_;
};

}  // namespace schedule

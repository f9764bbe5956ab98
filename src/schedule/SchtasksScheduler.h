#pragma once
// The task scheduler on Windows: the three "schtasks" command lines, each
// run hidden and waited for before the next, so they keep their order and
// what schtasks answers is seen.

#include <optional>
#include <string>

#include "schedule/TaskScheduler.h"

namespace schedule {

class SchtasksScheduler : public TaskScheduler {
public:
    // `programFolder`: where tarnhold.exe lies, for the task's command line.
    explicit SchtasksScheduler(std::string programFolder) : programFolder_(std::move(programFolder)) {}

    void end() override;
    void remove() override;
    void create(const ScheduledTask& task) override;
    // From the exit status of "schtasks /query"; nothing when schtasks cannot
    // be run, or answers with success and says nothing at all, as one without
    // a /query does (Wine's).
    std::optional<bool> taskExists() override;
    std::string lastError() const override { return error_; }

    static std::string queryCommand();

private:
    // Ends or deletes the task; failing because it is not there is no error.
    void runUnlessMissing(const std::string& commandLine);

    std::string programFolder_;
    std::string error_;
};

}  // namespace schedule

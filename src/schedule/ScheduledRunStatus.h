#pragma once
// What the window says on opening and `tarnhold-cli status` prints: how the
// scheduled backups are doing, and whether that needs the user's attention.

#include <functional>
#include <optional>
#include <string>

#include "schedule/ScheduledRunRecord.h"
#include "schedule/TaskScheduler.h"

namespace schedule {

// A weekly task gets one day of slack before its silence counts as failure.
inline constexpr int kDaysWithoutSuccess = 8;

struct ScheduledRunReport {
    bool needsAttention = false;
    std::string text;  // lines joined by CR LF
};

// `taskExists`: nothing when the scheduler could not be asked.
// `isAlive`: whether the process of a run recorded as running still exists.
ScheduledRunReport ReportScheduledRuns(const std::optional<ScheduledRunRecord>& record,
                                       std::optional<bool> taskExists, const config::DateTime& now,
                                       const std::function<bool(long)>& isAlive);

// The report for this program folder now. A task that exists but whose
// date is not known yet (made before runs were recorded) is dated now, so
// that its silence starts to count.
ScheduledRunReport CheckScheduledRuns(const platform::Environment& env, TaskScheduler& scheduler);

}  // namespace schedule

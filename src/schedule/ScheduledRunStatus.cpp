#include "schedule/ScheduledRunStatus.h"

#include "config/OperationTime.h"
#include "platform/ProcessIds.h"
#include "schedule/UnattendedBackupRun.h"

namespace schedule {

namespace {

constexpr const char* kNewLine = "\r\n";

std::string when(const config::DateTime& time) { return config::GeneralDateText(time.toLocal()); }

std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) text += (text.empty() ? "" : ", ") + item;
    return text;
}

// A run takes minutes; one "running" for a day is gone, whatever process
// may have been given its id since.
constexpr std::int64_t kLongestRunSeconds = 24 * 3600;

// The last run's own outcome: nothing to say when it simply succeeded.
std::optional<std::string> lastRunProblem(const ScheduledRunRecord& r, const config::DateTime& now,
                                          const std::function<bool(long)>& isAlive) {
    if (r.running) {
        if (isAlive(r.processId) && r.started.secondsTo(now) < kLongestRunSeconds) return std::nullopt;
        return "The scheduled backup started " + when(r.started) +
               " did not finish: it was ended before it could say how it went." + kNewLine +
               "Its backup file may be missing.";
    }
    if (r.status == kUnattendedSucceeded) return std::nullopt;
    if (r.status == kUnattendedItemFailed) {
        std::string text = "The scheduled backup of " + when(r.finished) + " did not back up every item.";
        if (!r.failedItems.empty()) text += std::string(kNewLine) + "Failed: " + joined(r.failedItems) + ".";
        if (!r.archive.empty()) text += std::string(kNewLine) + "Backup file: " + r.archive;
        return text;
    }
    std::string text = "The scheduled backup of " + when(r.finished) + " failed: no backup file was written.";
    if (!r.reason.empty()) text += std::string(kNewLine) + r.reason;
    if (!r.archive.empty()) text += std::string(kNewLine) + "Backup file: " + r.archive;
    return text;
}

std::string lastRunLine(const ScheduledRunRecord& r) {
    if (r.running) return "A scheduled backup is running since " + when(r.started) + ".";
    return "The last scheduled backup, " + when(r.finished) + ", succeeded: " + r.archive;
}

// The time from which a silent task counts: its last success, or when the
// task was made or first seen if that is later (a task made anew gets its
// own eight days); nothing when neither is known.
std::optional<config::DateTime> silentSince(const ScheduledRunRecord& r) {
    if (r.lastSuccess.isValid() && !(r.taskSince.isValid() && r.taskSince > r.lastSuccess)) return r.lastSuccess;
    if (r.taskSince.isValid()) return r.taskSince;
    return std::nullopt;
}

}  // namespace

ScheduledRunReport ReportScheduledRuns(const std::optional<ScheduledRunRecord>& record,
                                       std::optional<bool> taskExists, const config::DateTime& now,
                                       const std::function<bool(long)>& isAlive) {
    ScheduledRunReport report;
    const ScheduledRunRecord r = record.value_or(ScheduledRunRecord{});
    std::vector<std::string> lines;
    if (r.hasRun()) {
        if (auto problem = lastRunProblem(r, now, isAlive)) {
            report.needsAttention = true;
            lines.push_back(*problem);
        } else {
            lines.push_back(lastRunLine(r));
        }
    } else {
        lines.push_back("No scheduled backup has run yet.");
    }
    const auto since = silentSince(r);
    if (taskExists.value_or(false) && since && since->secondsTo(now) > kDaysWithoutSuccess * 24LL * 3600) {
        report.needsAttention = true;
        lines.push_back("No scheduled backup has succeeded for more than " + std::to_string(kDaysWithoutSuccess) +
                        " days, " +
                        (*since == r.lastSuccess ? "since " + when(r.lastSuccess)
                                                 : "since the weekly task was set up on " + when(r.taskSince)) +
                        ", although the weekly task exists.");
    }
    if (!taskExists) lines.push_back("Whether a weekly task exists could not be found out.");
    else if (!*taskExists) lines.push_back("No weekly backup task is scheduled.");
    if (report.needsAttention) lines.push_back("The Logs tab and brlog.dat tell more.");
    for (const auto& line : lines) report.text += (report.text.empty() ? "" : kNewLine) + line;
    return report;
}

ScheduledRunReport CheckScheduledRuns(const platform::Environment& env, TaskScheduler& scheduler) {
    const std::string path = RunRecordPath(env);
    auto record = LoadRunRecord(path);
    const auto exists = scheduler.taskExists();
    const config::DateTime now = config::CurrentDateTime();
    if (exists.value_or(false) && !(record && (record->lastSuccess.isValid() || record->taskSince.isValid()))) {
        if (!record) record.emplace();
        record->taskSince = now;
        SaveRunRecord(path, *record);
    }
    return ReportScheduledRuns(record, exists, now, platform::processIsAlive);
}

}  // namespace schedule

#pragma once
// "lastrun.dat" in the program folder: what the last scheduled run did, so
// that a failure is reported the next time anyone looks, not never. The
// run writes it when it starts (so a run that is killed leaves "running"
// behind) and again when it ends. Lines of key=value under "[lastrun]",
// in the code page of the other files of the program folder.

#include <optional>
#include <string>
#include <vector>

#include "config/OperationTime.h"

namespace platform { struct Environment; }

namespace schedule {

inline constexpr const char* kRunRecordName = "lastrun.dat";

struct ScheduledRunRecord {
    bool running = false;          // started and never finished
    long processId = 0;            // of the run, while running
    config::DateTime started;
    config::DateTime finished;
    int status = 0;                // the process's exit status
    std::vector<std::string> failedItems;  // captions of chosen items not backed up
    std::string archive;           // the backup file written, or meant to be
    std::string reason;            // why no backup file was written
    config::DateTime lastSuccess;         // the last run that backed up every item
    config::DateTime taskSince;           // when the weekly task was made, or first seen

    bool hasRun() const { return started.isValid(); }
};

std::string RunRecordPath(const platform::Environment& env);
// Nothing when there is no record yet; an unreadable or foreign file reads
// as a record of nothing.
std::optional<ScheduledRunRecord> LoadRunRecord(const std::string& path);
// Replaces the file in one step; false when it could not be written.
bool SaveRunRecord(const std::string& path, const ScheduledRunRecord& record);

// The record of a run that starts now: the last run's outcome is replaced,
// the last success and the task's date are kept.
bool RecordRunStart(const std::string& path, const config::DateTime& now, long processId);
struct RunResult {
    int status = 0;
    std::vector<std::string> failedItems;
    std::string archive;
    std::string reason;
};
bool RecordRunEnd(const std::string& path, const config::DateTime& now, const RunResult& result);
// The weekly task was made now (or seen for the first time): the eight days
// without a success are counted from here when no run succeeded since.
bool RecordTaskSince(const std::string& path, const config::DateTime& when);

}  // namespace schedule

#pragma once
// One backup or restore at a time per program folder. A run holds the
// program folder's lock file for its whole life and stages everything in a
// folder of its own, so two runs never share the staged record or remove
// each other's files. As no other run can be alive while one holds the lock,
// whatever earlier runs left behind (their folders, folder archives and
// scratch files, the temporaries of files they were replacing, and restores
// cut off in the middle of a swap) belongs to dead runs and is put right
// before the run starts. A temporary whose writer is alive is never touched:
// the run record and the settings are written outside the lock.

#include <chrono>
#include <string>
#include <vector>

#include "backup/OperationLog.h"
#include "items/ItemContext.h"
#include "platform/AtomicFile.h"

namespace backup {

inline constexpr const char* kRunLockName = "run.lock";

class ExclusiveRun {
public:
    // Waits at most `wait` for a run of another process to end. When held,
    // ctx.runFolder names the run's own folder until the run ends.
    ExclusiveRun(items::ItemContext& ctx, std::chrono::milliseconds wait);
    ~ExclusiveRun();
    ExclusiveRun(const ExclusiveRun&) = delete;
    ExclusiveRun& operator=(const ExclusiveRun&) = delete;

    bool held() const { return !folder_.empty(); }
    // Why the run may not go ahead; empty when held.
    const std::string& refusal() const { return refusal_; }
    // What dead runs left that could not be removed, each "<path>: <why>";
    // the run logs them, and only them.
    const std::vector<std::string>& leftoversKept() const { return leftoversKept_; }

private:
    items::ItemContext& ctx_;
    platform::FileLock lock_;
    std::string folder_;
    std::string refusal_;
    std::vector<std::string> leftoversKept_;
};

// One log record for each leftover the run could not remove.
void LogLeftoversKept(const ExclusiveRun& run, const OperationLog& log);

// A name of the folders runs stage in, "run-XXXXXX".
bool IsRunFolderName(const std::string& name);

}  // namespace backup

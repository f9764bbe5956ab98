#pragma once
// The restore of the items a user ticked that the opened backup holds, in
// catalogue order, with the log records and the summary. The window asks
// the question first and runs this on a worker thread.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "backup/BackupRun.h"
#include "backup/OperationLog.h"
#include "items/ItemContext.h"
#include "restore/Inspection.h"

namespace restore {

inline constexpr const char* kRestoreQuestion =
    "Your current Email and News messages will be replaced with the messages from the selected backup file."
    "\r\n\r\nDo you want to countinue?";

struct RestoreRequest {
    std::array<bool, items::kItemCount> ticked{};
    std::string userName;  // the Restore tab's user field
    // How long to wait for another backup or restore to let go of the
    // program folder before giving up.
    std::chrono::milliseconds programFolderWait{0};
};

struct RestoreOutcome {
    std::string summary;
    bool allSucceeded = true;
    // "<summary caption>: <why>" for each failed item whose reason is known.
    std::vector<std::string> failures;
    // Why nothing was restored at all; empty when the items ran.
    std::string refused;
};

// The two stops of a restore, in order; nothing when it may run.
std::optional<backup::ValidationFailure> ValidateRestore(const RestoreState& state, const RestoreRequest& request);

RestoreOutcome RunRestoreItems(items::ItemContext& ctx, const RestoreState& state, const RestoreRequest& request,
                               const backup::OperationLog& log, const backup::BackupEvents& events);

std::string RestoreCompletionMessage(const RestoreOutcome& outcome);

// A member the restore reads, in the order it reads them: taken out whole
// (a plain file, or a folder archive that cannot be opened where it lies in
// the backup), and a folder archive then unpacked file by file.
struct MemberRead {
    std::size_t item = 0;
    std::string member;
    std::uint64_t size = 0;  // as the backup holds it
    bool whole = false;
    bool unpacked = false;
};
// What RunRestoreItems will read of the opened backup, for the bar of a long
// restore. Members the backup lacks, or names the items refuse, read nothing.
std::vector<MemberRead> PlanRestoreReads(const items::ItemContext& ctx, const RestoreState& state,
                                         const RestoreRequest& request);

}  // namespace restore

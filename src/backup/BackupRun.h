#pragma once
// The core of a backup, shared by the manual and the unattended run: the
// record's opening lines, the log, every chosen item in catalogue order, and
// the archive written in one piece. No widget, no question: the window asks
// and reports around it, on its own thread.

#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "backup/OperationLog.h"
#include "items/ItemContext.h"
#include "platform/Dialogs.h"

namespace backup {

struct BackupRequest {
    std::string targetFile;
    std::array<bool, items::kItemCount> chosen{};
    bool protect = false;
    std::string password;
    std::string description;  // line breaks as CR LF
    std::string userName;     // for the log
    std::string ComputerName;
    std::string LogonUserName;
    // How long to wait for another backup or restore to let go of the
    // program folder before giving up (ExclusiveRun).
    std::chrono::milliseconds programFolderWait{0};
    // Files unchanged since `earlierBackup` (same form as targetFile; empty
    // when there is none) are copied from it instead of compressed again.
    bool reuseUnchanged = false;
    std::string earlierBackup;
};

// The words that differ between the manual and the unattended run's log.
struct RunTexts {
    const char* start;
    const char* completion;
};
inline constexpr RunTexts kManualRunTexts{" Start Backup User Profile ", " Backup User Profile "};
inline constexpr RunTexts kAutoRunTexts{" Start Auto Backup User Profile ", " Auto Backup User Profile "};

// What the window shows while the run works; either may be left empty.
struct BackupEvents {
    std::function<void(const std::string&)> status;  // the status label
    std::function<void(int)> addProgress;            // added to the progress bar
};

struct BackupOutcome {
    std::string ItemFlags;
    std::string RunSummary;
    bool archiveWritten = false;
    std::string archiveError;
    bool allSucceeded = true;  // every chosen item was backed up
    // "<log caption>: <why>" for each failed item whose reason is known.
    std::vector<std::string> failures;
};

struct ValidationFailure {
    std::string text;
    platform::Icon icon;
};

// The manual run's checks, in order; nothing when the run may start.
std::optional<ValidationFailure> ValidateBackup(const BackupRequest& request, const std::string& confirmation);

BackupOutcome RunBackupItems(items::ItemContext& ctx, const BackupRequest& request, const RunTexts& texts,
                             const OperationLog& log, const BackupEvents& events);

// The closing message of the manual run: the summary and why items failed,
// or why the archive is missing.
std::string CompletionMessage(const BackupOutcome& outcome, const std::string& targetFile);

// " (<why>)" after an item's "Fail!" in the log; nothing when it is not known.
std::string FailureNote(const std::string& failure);
// Counts an item as failed and keeps its reason, when known.
void NoteFailure(const std::string& caption, const std::string& failure, bool* allSucceeded,
                 std::vector<std::string>* failures);
// The reasons of failed items, each after an empty line, for a closing message.
std::string WhyItemsFailed(const std::vector<std::string>& failures);

}  // namespace backup

#include "backup/BackupRun.h"

#include <algorithm>
#include <memory>
#include <filesystem>
#include <mutex>

#include "config/OperationTime.h"
#include "backup/EarlierBackup.h"
#include "backup/ExclusiveRun.h"
#include "backup/InformationRecord.h"
#include "items/MemberExtraction.h"
#include "platform/HostPath.h"
#include "platform/Text.h"
#include "platform/FsPath.h"

namespace backup {

namespace {

void report(const BackupEvents& events, const std::string& status) {
    if (events.status) events.status(status);
}

void progress(const BackupEvents& events, int amount) {
    if (events.addProgress) events.addProgress(amount);
}

void writeRecordHeader(items::ItemContext& ctx, const BackupRequest& request) {
    // Staged in the run's own folder: another process's record never mixes in.
    ctx.InfoRecordPath = platform::joinHostPath(ctx.scratchFolder(), kInfoRecordName);
    std::error_code ec;
    std::filesystem::remove(platform::fsPath(ctx.InfoRecordPath), ec);
    SaveINI("BackupComputer", request.ComputerName, ctx.InfoRecordPath);
    SaveINI("BackupLogonUser", request.LogonUserName, ctx.InfoRecordPath);
    SaveINI("BackupTime", config::GeneralDateText(config::CurrentDateTime()), ctx.InfoRecordPath);
    SaveINI("BackupInformation", EncodeDescription(request.description), ctx.InfoRecordPath);
}

// An item's step of the bar, moved by the share of its work done and
// complete when the item ends.
class ItemStep {
public:
    ItemStep(const BackupEvents& events, int step) : events_(events), step_(step) {}
    void reach(double share) {
        std::lock_guard<std::mutex> lock(mutex_);
        const int target = std::clamp(static_cast<int>(share * step_), 0, step_);
        if (target > shown_) progress(events_, target - shown_);
        shown_ = std::max(shown_, target);
    }

private:
    const BackupEvents& events_;
    const int step_;
    int shown_ = 0;
    std::mutex mutex_;
};

// The earlier backup to copy unchanged files from, when the request wants
// one and it can serve; the log says which, or why every file is compressed.
std::unique_ptr<EarlierBackup> openEarlier(items::ItemContext& ctx, const BackupRequest& request,
                                           const OperationLog& log) {
    if (!request.reuseUnchanged) return nullptr;
    const std::string& named = request.earlierBackup.empty() ? request.targetFile : request.earlierBackup;
    std::string why = "there is none";
    std::unique_ptr<EarlierBackup> earlier;
    if (!request.earlierBackup.empty()) {
        const std::string scratch = items::ScratchFolder(ctx);
        const std::string password = request.protect ? request.password : std::string();
        earlier = scratch.empty() ? nullptr
                                  : EarlierBackup::Open(ctx.env.hostPath(request.earlierBackup), request.ComputerName,
                                                        request.LogonUserName, password, scratch, &why);
        if (scratch.empty()) why = "no private folder could be made in " + ctx.env.programFolder;
    }
    log.record(earlier ? " Unchanged files are copied from the earlier backup " + ctx.env.fullPath(named)
                       : " Every file is compressed anew: the earlier backup " + ctx.env.fullPath(named) +
                             " is not used, " + why,
               kLF);
    return earlier;
}

// " (N files copied, M compressed)" after the log line of an item that packed folders.
std::string fileCountsNote(const items::ItemContext& ctx) {
    if (!ctx.earlier || ctx.filesCopied + ctx.filesCompressed == 0) return {};
    return " (" + std::to_string(ctx.filesCopied) + " files copied from the earlier backup, " +
           std::to_string(ctx.filesCompressed) + " compressed)";
}

void runItems(items::ItemContext& ctx, const BackupRequest& request, const OperationLog& log,
              const BackupEvents& events, BackupOutcome* outcome) {
    ctx.databaseChosen = request.chosen[items::kMailDatabase];
    for (const auto& item : items::kCatalogue) {
        bool ok = false;
        ItemStep step(events, item.backupProgress);
        if (request.chosen[item.index]) {
            report(events, std::string(item.backupStatus));
            ctx.failure.clear();
            ctx.filesCopied = ctx.filesCompressed = 0;
            ctx.workDone = [&step](double share) { step.reach(share); };
            ok = item.backup(ctx);
            ctx.workDone = [](double) {};
            const std::string caption(item.backupLogCaption);
            outcome->RunSummary += "\r\n" + caption + "\t" + (ok ? "Successed!" : "Fail!");
            log.record(" " + caption + (ok ? " Succeeded!" : " Fail!" + FailureNote(ctx.failure)) + fileCountsNote(ctx),
                       kLF);
            if (!ok) NoteFailure(caption, ctx.failure, &outcome->allSucceeded, &outcome->failures);
        }
        outcome->ItemFlags += ok ? '1' : '0';
        step.reach(1.0);
    }
}

void writeArchive(items::ItemContext& ctx, BackupOutcome* outcome) {
    // Without its record a backup cannot be opened: no archive at all then.
    std::string recordProblem;
    if (!SaveINI("BackupItem", outcome->ItemFlags, ctx.InfoRecordPath))
        recordProblem = "the information record \"" + ctx.InfoRecordPath + "\" could not be written";
    else if (!ctx.Zip1.addFiles(ctx.InfoRecordPath, 1))
        recordProblem = "the information record could not be added: " + ctx.Zip1.lastError();
    if (!recordProblem.empty()) {
        outcome->archiveWritten = false;
        outcome->archiveError = recordProblem;
        ctx.Zip1.closeArchive();
        return;
    }
    outcome->archiveWritten = ctx.Zip1.writeArchive();
    if (!outcome->archiveWritten) outcome->archiveError = ctx.Zip1.lastError();
    ctx.Zip1.closeArchive();
}

void logNotUsedFurther(const OperationLog& log, items::ItemContext& ctx, const BackupRequest& request,
                       const std::string& why) {
    log.record(" The earlier backup " + ctx.env.fullPath(request.earlierBackup) + " was not used further: " + why, kLF);
}

// What the backup's own members took from the earlier backup, and whether
// what was copied from it had to be given up.
void logBackupMembers(const OperationLog& log, items::ItemContext& ctx, const BackupRequest& request,
                      const EarlierFolderArchive* members, const BackupOutcome* outcome) {
    if (members && members->damaged()) logNotUsedFurther(log, ctx, request, members->damage());
    if (!ctx.Zip1.rewriteReason().empty()) logNotUsedFurther(log, ctx, request, ctx.Zip1.rewriteReason());
    if (!members || !outcome->archiveWritten) return;
    const auto [copied, compressed] = ctx.Zip1.lastFileCounts();
    log.record(" Members of the backup file: " + std::to_string(copied) + " copied from the earlier backup, " +
                   std::to_string(compressed) + " compressed",
               kLF);
}

void removeStagingFiles(items::ItemContext& ctx) {
    std::error_code ec;
    std::filesystem::remove(platform::fsPath(ctx.InfoRecordPath), ec);
    for (auto& staging : ctx.stagingFiles) {
        if (!staging.empty()) std::filesystem::remove(platform::fsPath(platform::cutAtNul(staging)), ec);
        staging.clear();
    }
    items::RemoveScratchFolder(ctx);
}

void logNotWritten(const OperationLog& log, const items::ItemContext& ctx, const BackupRequest& request,
                   const std::string& why) {
    log.record(" Backup File " + ctx.env.fullPath(request.targetFile) + " was not written: " + why, kLF);
}

void logStart(const OperationLog& log, const items::ItemContext& ctx, const BackupRequest& request,
              const RunTexts& texts) {
    log.separator();
    log.record(texts.start + request.userName + " Data...", kLF);
    log.record(" Backup File is " + ctx.env.fullPath(request.targetFile), kLF);
}

}  // namespace

std::optional<ValidationFailure> ValidateBackup(const BackupRequest& request, const std::string& confirmation) {
    if (request.targetFile.empty()) return ValidationFailure{"Invalid backup file name.", platform::Icon::Exclamation};
    bool any = false;
    for (bool chosen : request.chosen) any = any || chosen;
    if (!any) return ValidationFailure{"Please select at least one item.", platform::Icon::Exclamation};
    if (request.protect) {
        if (request.password.empty() && confirmation.empty()) {
            return ValidationFailure{"Please enter Password!", platform::Icon::Critical};
        }
        if (request.password != confirmation) return ValidationFailure{"Incorect Password!", platform::Icon::Critical};
    }
    return std::nullopt;
}

BackupOutcome RunBackupItems(items::ItemContext& ctx, const BackupRequest& request, const RunTexts& texts,
                             const OperationLog& log, const BackupEvents& events) {
    BackupOutcome outcome;
    ExclusiveRun run(ctx, request.programFolderWait);
    if (!run.held()) {
        outcome.allSucceeded = false;
        outcome.archiveError = run.refusal();
        logStart(log, ctx, request, texts);
        logNotWritten(log, ctx, request, outcome.archiveError);
        return outcome;
    }
    // What the registry holds now, not what it held when the program started.
    ctx.registry.registry().reload();
    writeRecordHeader(ctx, request);
    logStart(log, ctx, request, texts);
    LogLeftoversKept(run, log);
    progress(events, 10);
    items::RemoveScratchFolder(ctx);
    // The archive goes to a temporary file beside the target and replaces
    // it only once complete, so an earlier backup there survives a failure.
    ctx.Zip1.newArchive(ctx.env.hostPath(request.targetFile));
    // Known before the items: a backup without a password takes in their
    // folder archives as they are packed.
    const bool protect = request.protect && !request.password.empty();
    ctx.Zip1.setPassword(protect ? request.password : std::string());
    ctx.Zip1.setProtection(protect ? 1 : 0);
    std::unique_ptr<EarlierBackup> earlier = openEarlier(ctx, request, log);
    ctx.earlier = earlier.get();
    runItems(ctx, request, log, events, &outcome);
    ctx.earlier = nullptr;
    if (earlier && !earlier->problem().empty()) logNotUsedFurther(log, ctx, request, earlier->problem());
    // The backup's own members copy from it too; the archive object lets go
    // of them before the new backup may take the earlier one's place.
    const auto members = earlier ? earlier->backupMembers() : nullptr;
    ctx.Zip1.setEarlierFolderArchive(members);
    earlier.reset();
    writeArchive(ctx, &outcome);
    ctx.Zip1.setEarlierFolderArchive(nullptr);
    logBackupMembers(log, ctx, request, members.get(), &outcome);
    removeStagingFiles(ctx);
    if (!outcome.archiveWritten) logNotWritten(log, ctx, request, outcome.archiveError);
    log.record(texts.completion + request.userName + " Data was Completed!", kCR);
    return outcome;
}

std::string FailureNote(const std::string& failure) {
    return failure.empty() ? std::string() : " (" + failure + ")";
}

void NoteFailure(const std::string& caption, const std::string& failure, bool* allSucceeded,
                 std::vector<std::string>* failures) {
    *allSucceeded = false;
    if (!failure.empty()) failures->push_back(caption + ": " + failure);
}

std::string WhyItemsFailed(const std::vector<std::string>& failures) {
    std::string text;
    for (const auto& f : failures) text += "\r\n\r\n" + f;
    return text;
}

std::string CompletionMessage(const BackupOutcome& outcome, const std::string& targetFile) {
    if (!outcome.archiveWritten) {
        return "The Backup File could not be written:\r\n" + targetFile + "\r\n\r\n" + outcome.archiveError;
    }
    return "The Backup was Completed!\r\n" + outcome.RunSummary + WhyItemsFailed(outcome.failures);
}

}  // namespace backup

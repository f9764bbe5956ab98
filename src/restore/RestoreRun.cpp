#include "restore/RestoreRun.h"

#include <filesystem>

#include "backup/ExclusiveRun.h"
#include "items/ItemFunctions.h"
#include "items/MemberExtraction.h"
#include "items/MemberNames.h"
#include "platform/FsPath.h"

namespace restore {

namespace {

void progress(const backup::BackupEvents& events, int amount) {
    if (events.addProgress) events.addProgress(amount);
}

bool shouldRun(const RestoreState& state, const RestoreRequest& request, std::size_t k) {
    return request.ticked[k] && k < state.RestoreItemFlags.size() && state.RestoreItemFlags[k] == '1';
}

}  // namespace

std::optional<backup::ValidationFailure> ValidateRestore(const RestoreState& state, const RestoreRequest& request) {
    if (state.InvalidBackupFile) return backup::ValidationFailure{"Invalid backup file.", platform::Icon::Critical};
    for (bool ticked : request.ticked) {
        if (ticked) return std::nullopt;
    }
    return backup::ValidationFailure{"Please select at least one item.", platform::Icon::Exclamation};
}

RestoreOutcome RunRestoreItems(items::ItemContext& ctx, const RestoreState& state, const RestoreRequest& request,
                               const backup::OperationLog& log, const backup::BackupEvents& events) {
    RestoreOutcome outcome;
    backup::ExclusiveRun run(ctx, request.programFolderWait);
    log.separator();
    log.record(" Start Retore Data to User Profile " + request.userName, backup::kLF);
    log.record(" Restore File is " + state.RestoreSourceFile, backup::kLF);
    if (!run.held()) {
        outcome.refused = run.refusal();
        outcome.allSucceeded = false;
        log.record(" Nothing was restored: " + outcome.refused, backup::kLF);
        return outcome;
    }
    backup::LogLeftoversKept(run, log);
    // Restored keys go over the registry as it is now.
    ctx.registry.registry().reload();
    progress(events, 5);
    for (const auto& item : items::kCatalogue) {
        if (shouldRun(state, request, item.index)) {
            if (events.status) events.status(std::string(item.restoreStatus));
            ctx.failure.clear();
            const bool ok = item.restore(ctx);
            const std::string caption(item.restoreCaption);
            outcome.summary += "\r\n" + caption + "\t" + (ok ? "Successed!" : "Fail!");
            log.record(" " + caption + " " + (ok ? "Succeeded!" : "Fail!" + backup::FailureNote(ctx.failure)),
                       backup::kLF);
            if (!ok) backup::NoteFailure(caption, ctx.failure, &outcome.allSucceeded, &outcome.failures);
        }
        progress(events, item.restoreProgress);
        if (item.index == items::kMailRules) progress(events, items::kRestoreMailRulesExtraProgress);
    }
    items::RemoveScratchFolder(ctx);
    log.record(" Restore Data to User Profile " + request.userName + " was Completed!", backup::kCR);
    std::error_code ec;
    std::filesystem::remove(platform::fsPath(ctx.InfoRecordPath), ec);
    return outcome;
}

std::string RestoreCompletionMessage(const RestoreOutcome& outcome) {
    if (!outcome.refused.empty()) return "Nothing was restored:\r\n\r\n" + outcome.refused;
    return "The Restore was Completed!\r\n" + outcome.summary + backup::WhyItemsFailed(outcome.failures);
}

std::vector<MemberRead> PlanRestoreReads(const items::ItemContext& ctx, const RestoreState& state,
                                         const RestoreRequest& request) {
    std::vector<MemberRead> reads;
    for (const auto& item : items::kCatalogue) {
        if (!shouldRun(state, request, item.index)) continue;
        for (const auto& member : items::RestoreMembers(ctx, item.index)) {
            const bool folder = items::UnpacksAsFolder(item.index, member);
            if (!items::MemberFileName(member) || (folder && !items::MemberFolderName(member))) continue;
            const auto found = ctx.Zip1.findMember(member);
            if (!found) continue;
            const bool whole = !folder || !backup::ZipComponent::opensInPlace(*found);
            reads.push_back({item.index, member, found->size, whole, folder});
        }
    }
    return reads;
}

}  // namespace restore

#include "schedule/UnattendedBackupRun.h"

#include <cstdio>
#include <filesystem>

#include "backup/BackupRun.h"
#include "backup/FileNaming.h"
#include "backup/OperationLog.h"
#include "config/OperationTime.h"
#include "config/SettingsFile.h"
#include "items/Catalogue.h"
#include "platform/FsPath.h"
#include "platform/ProcessIds.h"
#include "platform/Services.h"
#include "platform/Text.h"
#include "schedule/BackupRetention.h"
#include "schedule/ScheduledRunRecord.h"
#include "session/MainSession.h"

namespace schedule {

std::optional<UnattendedCommand> ParseUnattendedCommandLine(const std::string& commandLine) {
    std::vector<std::string> parts = platform::splitAll(commandLine, '=');
    for (std::size_t i = 1; i + 1 < parts.size(); ++i) {
        parts[i] = parts[i].size() >= 2 ? parts[i].substr(0, parts[i].size() - 2) : std::string();
    }
    if (parts.size() < 5 || parts[0].empty() || parts[2].empty() || parts[4].empty()) return std::nullopt;
    return UnattendedCommand{parts[1], parts[2], parts[3], parts[4]};
}

std::string DatedTargetFile(const std::string& target, const config::DateTime& when) {
    const std::string stem = target.size() >= 4 ? target.substr(0, target.size() - 4) : std::string();
    const platform::CivilTime f = when.fields();
    char time[8];
    std::snprintf(time, sizeof time, "-%02d-%02d", f.hour, f.minute);
    return stem + "-" + backup::DateStamp(when) + time + ".wlm";
}

// While Wine runs, the registry is read through it. When Wine cannot be
// asked, the server is given time to end by itself (it does a few seconds
// after its last program); the registry items fail if it does not.
void waitForReadableRegistry(platform::Services& services) {
    if (services.registry.liveReadProblem(platform::Hive::CurrentUser).empty()) return;
    if (services.wine.waitForExit(kWineExitWait)) services.registry.reload();
}

namespace {

std::vector<std::string> failedItems(const backup::BackupRequest& request, const std::string& flags) {
    std::vector<std::string> failed;
    for (std::size_t k = 0; k < items::kItemCount; ++k) {
        if (request.chosen[k] && (k >= flags.size() || flags[k] != '1')) {
            failed.emplace_back(items::kCatalogue[k].caption);
        }
    }
    return failed;
}

RunResult runBackup(session::MainSession& session, std::chrono::milliseconds programFolderWait) {
    auto command = ParseUnattendedCommandLine(session.CommandLine);
    if (!command) return {kUnattendedRefused, {}, {}, kRefusedCommandLineReason};
    const auto& env = session.services.env;
    waitForReadableRegistry(session.services);
    // The file named on the command line is replaced only when the new
    // archive is complete; in the dated case it is left as it is.
    // One form for every text that names it: the log, the record, the retention.
    const std::string target = env.fullPath(command->target);
    session.BackupTargetFile = target;
    const bool dated = config::SettingIsOn(env, "autobackup", "autobackupfile");
    if (dated) session.BackupTargetFile = DatedTargetFile(target, config::CurrentDateTime());
    backup::BackupRequest request;
    request.targetFile = session.BackupTargetFile;
    for (std::size_t k = 0; k < items::kItemCount; ++k) request.chosen[k] = k < command->mask.size() && command->mask[k] == '1';
    request.protect = !command->password.empty();
    request.password = command->password;
    request.description = "Auto Backup";
    request.userName = session.store.LogonUserName;
    request.ComputerName = session.store.ComputerName;
    request.LogonUserName = session.store.LogonUserName;
    request.programFolderWait = programFolderWait;
    // The backup this one replaces, or in the dated case the newest before
    // it, unless one of this minute's name is there already and is replaced.
    request.reuseUnchanged = config::SettingIsOn(env, "autobackup", "reuseunchanged");
    std::error_code ec;
    const bool replaced = std::filesystem::exists(platform::fsPath(env.hostPath(session.BackupTargetFile)), ec);
    request.earlierBackup = dated && !replaced ? NewestDatedBackup(env, target, session.BackupTargetFile)
                            : dated            ? session.BackupTargetFile
                                               : target;
    const auto log = backup::OperationLog::of(env);
    auto outcome = backup::RunBackupItems(session.items, request, backup::kAutoRunTexts, log, {});
    RunResult result{kUnattendedSucceeded, failedItems(request, outcome.ItemFlags), session.BackupTargetFile, {}};
    if (!outcome.archiveWritten) {
        result.status = kUnattendedRefused;
        result.reason = outcome.archiveError;
        return result;
    }
    if (!outcome.allSucceeded) {
        result.status = kUnattendedItemFailed;
        return result;
    }
    // Older backups give way only to a complete one, proven by its read-back.
    if (dated) RemoveOldDatedBackups(env, target, session.BackupTargetFile, KeepBackupsSetting(env), log);
    return result;
}

}  // namespace

int UnattendedBackupRun(session::MainSession& session, std::chrono::milliseconds programFolderWait) {
    const std::string record = RunRecordPath(session.services.env);
    RecordRunStart(record, config::CurrentDateTime(), platform::currentProcessId());
    const RunResult result = runBackup(session, programFolderWait);
    RecordRunEnd(record, config::CurrentDateTime(), result);
    return result.status;
}

}  // namespace schedule

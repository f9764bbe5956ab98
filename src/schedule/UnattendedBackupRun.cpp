#include "schedule/UnattendedBackupRun.h"

#include "session/MainSession.h"
#include "config/OperationTime.h"
#include "config/SettingsFile.h"
#include "backup/BackupRun.h"
#include "platform/Text.h"
#include "platform/Services.h"

namespace schedule {

std::optional<UnattendedCommand> ParseUnattendedCommandLine(const std::string& commandLine) {
    std::vector<std::string> parts = platform::splitAll(commandLine, '=');
    for (std::size_t i = 1; i + 1 < parts.size(); ++i) {
        parts[i] = parts[i].size() >= 2 ? parts[i].substr(0, parts[i].size() - 2) : std::string();
    }
    if (parts.size() < 5 || parts[0].empty() || parts[2].empty() || parts[4].empty()) return std::nullopt;
    return UnattendedCommand{parts[1], parts[2], parts[3], parts[4]};
}

std::string DatedTargetFile(const std::string& target, const QDateTime& when) {
    const std::string stem = target.size() >= 4 ? target.substr(0, target.size() - 4) : std::string();
    return stem + "-" + when.toString("MM-dd-yyyy-HH-mm").toStdString() + ".wlm";
}

// While Wine runs, the registry is read through it. When Wine cannot be
// asked, the server is given time to end by itself (it does a few seconds
// after its last program); the registry items fail if it does not.
void waitForReadableRegistry(platform::Services& services) {
    if (services.registry.liveReadProblem(platform::Hive::CurrentUser).empty()) return;
    if (services.wine.waitForExit(kWineExitWait)) services.registry.reload();
}

int UnattendedBackupRun(session::MainSession& session, std::chrono::milliseconds programFolderWait) {
    auto command = ParseUnattendedCommandLine(session.CommandLine);
    if (!command) return kUnattendedRefused;
    const auto& env = session.services.env;
    waitForReadableRegistry(session.services);
    // The file named on the command line is replaced only when the new
    // archive is complete; in the dated case it is left as it is.
    session.BackupTargetFile = command->target;
    if (config::SettingIsOn(env, "autobackup", "autobackupfile")) {
        session.BackupTargetFile = DatedTargetFile(command->target, config::CurrentDateTime());
    }
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
    auto outcome = backup::RunBackupItems(session.items, request, backup::kAutoRunTexts,
                                          backup::OperationLog::of(env), {});
    if (!outcome.archiveWritten) return kUnattendedRefused;
    return outcome.allSucceeded ? kUnattendedSucceeded : kUnattendedItemFailed;
}

}  // namespace schedule

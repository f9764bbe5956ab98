#pragma once
// The backup a scheduled task starts: choices from the command line, no
// window, no message, no question; everything it does goes to the log.

#include <QDateTime>
#include <optional>
#include <string>

namespace app { class MainSession; }

namespace schedule {

// The command line " sf=<user>xm=<mask>ps=<password>bf=<target>" split at
// every "=", with each middle part losing the two letters of the next key.
struct UnattendedCommand {
    std::string user;
    std::string mask;
    std::string password;
    std::string target;
};
// Nothing when there are fewer than five parts or the key, mask or target is empty.
std::optional<UnattendedCommand> ParseUnattendedCommandLine(const std::string& commandLine);

// "<target without its last four characters>-MM-DD-YYYY-HH-MM.wlm".
std::string DatedTargetFile(const std::string& target, const QDateTime& when);

// Exit status of the process: 0 when the archive was written, 1 when it
// was not, 2 when the command line could not be used (nothing done).
int UnattendedBackupRun(app::MainSession& session);

}  // namespace schedule

#pragma once
// The backup a scheduled task starts: choices from the command line, no
// window, no message, no question; everything it does goes to the log.

#include <chrono>
#include <optional>
#include <string>

#include "config/OperationTime.h"

namespace session { class MainSession; }

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
std::string DatedTargetFile(const std::string& target, const config::DateTime& when);

// Exit statuses of the process, for the scheduler that started it.
inline constexpr int kUnattendedSucceeded = 0;  // archive written, every chosen item backed up
inline constexpr int kUnattendedItemFailed = 1; // archive written, an item failed
inline constexpr int kUnattendedRefused = 2;    // command line refused or archive not written

// Why a run whose command line was refused wrote nothing.
inline constexpr const char* kRefusedCommandLineReason =
    "The command line was not understood: it needs sf=, xm=, ps= and bf= with a mask and a file.";

// How long the run waits for a running Wine that cannot be asked to end.
inline constexpr std::chrono::seconds kWineExitWait{60};

// How long the run waits for another backup or restore on the same program
// folder to end. A whole profile backs up in a few minutes, so a run that
// meets the window's backup or a second scheduled task still gets its turn;
// a run stuck elsewhere does not keep scheduled runs waiting without end.
// After it the run logs why and exits with kUnattendedRefused.
inline constexpr std::chrono::minutes kProgramFolderWait{10};

// Records its start and its outcome in the program folder's run record;
// a complete dated backup makes older ones beyond "keepbackups" go.
int UnattendedBackupRun(session::MainSession& session,
                        std::chrono::milliseconds programFolderWait = kProgramFolderWait);

}  // namespace schedule

#pragma once
// The backup file's name: proposed at start, or chosen in the save dialog;
// and the uniquely named scratch files of the registry exports.

#include <optional>
#include <string>

#include "config/OperationTime.h"
#include "platform/Dialogs.h"
#include "platform/Environment.h"

namespace backup {

inline constexpr const char* kBackupFileFilter = "Zorva Windows Live Mail Backup File (*.wlm)|*.wlm";

// "MM-DD-YYYY".
std::string DateStamp(const config::DateTime& date);

// The proposed target ("<folder>/livemailback-<user>-MM-DD-YYYY.wlm"), or
// nothing when "automgeneratefile" is off.
std::optional<std::string> ProposedTargetFile(const platform::Environment& env, const std::string& userName,
                                              const config::DateTime& today);

// The save dialog of the Backup tab: the chosen path, or nothing on cancel
// (the caller then keeps its previous target).
std::optional<std::string> ChooseTargetFile(platform::Dialogs& dialogs, const platform::Environment& env,
                                            const config::DateTime& today);

// Creates a new empty file "<prefix><hex>.tmp" in `hostFolder` (the run's
// own folder) and returns its full path followed by one NUL character, as
// the staging names are recorded; empty text when no file can be created.
std::string sGetTempFile(const std::string& hostFolder, const std::string& sPrefix);
// A name sGetTempFile makes with one of the program's prefixes ("OB..").
bool IsTempFileName(const std::string& name);

}  // namespace backup

#pragma once
// "keepbackups" of section "autobackup": how many dated backups of one
// scheduled target are kept. Absent, 0 or not a number keeps every file.
// Only names made by the dated naming are ever considered:
// "<target stem>-MM-DD-YYYY-HH-MM.wlm" in the target's folder.

#include <string>
#include <vector>

namespace platform { struct Environment; }
namespace backup { class OperationLog; }

namespace schedule {

int KeepBackupsSetting(const platform::Environment& env);

// The folder's names that are dated backups of `targetName` (a file name,
// "livemailbak-bob.wlm"), oldest first by the date in the name, beyond the
// `keep` newest; `justWritten` is never among them.
std::vector<std::string> DatedBackupsBeyond(const std::vector<std::string>& namesInFolder, const std::string& targetName,
                                            const std::string& justWritten, int keep);

// The newest dated backup of `target` beside `justWritten` (the new one,
// never itself), in the form `justWritten` has; empty when there is none.
std::string NewestDatedBackup(const platform::Environment& env, const std::string& target, const std::string& justWritten);

// Removes the dated backups of `target` (the command line's file) beyond
// `keep`, `justWritten` being the new one, and logs each removal and each
// file that could not be removed. Returns the number removed.
int RemoveOldDatedBackups(const platform::Environment& env, const std::string& target, const std::string& justWritten,
                          int keep, const backup::OperationLog& log);

}  // namespace schedule

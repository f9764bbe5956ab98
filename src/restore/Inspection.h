#pragma once
// Opening a backup for restore: the archive is opened (and unlocked when it
// is protected), its information record staged and read, and the items it
// holds are found. The window and the command-line tool both use this.

#include <array>
#include <string>

#include "items/Catalogue.h"

namespace session { class MainSession; }

namespace restore {

inline constexpr const char* kOpenBackupTitle = "Restore Data from a Backup file";
inline constexpr const char* kOpenBackupFilter = "Zorva Windows Live Mail Backup File(*.wlm)|*.wlm";
inline constexpr const char* kWrongPasswordMessage = "Incorect Password or Invalid backup file";
inline constexpr const char* kInvalidBackupMessage = "Invalid backup file";

enum class InspectionOutcome { WrongPassword, Invalid, Valid };

struct Inspection {
    InspectionOutcome outcome = InspectionOutcome::Invalid;
    std::string POBinfo;   // "Computer:...", "User:...", "Date:..." on three lines
    std::string FileInfo;  // the description, line breaks restored
    std::string RestoreItemFlags;
    std::array<bool, items::kItemCount> present{};  // items the backup holds
};

// State the restore run reads afterwards.
struct RestoreState {
    std::string RestorePassword;
    std::string RestoreSourceFile;  // in full, in the form it was typed
    bool InvalidBackupFile = false;
    std::string RestoreItemFlags;
};

// Closes both archive objects, then inspects `path`; asks for the password
// through the session's dialogs when the archive is protected, and shows the
// two messages of a failed inspection there too.
Inspection InspectBackupFile(session::MainSession& session, RestoreState& state, const std::string& path);

}  // namespace restore

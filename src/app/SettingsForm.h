#pragma once
// What the settings window shows and saves, without the window: every key
// of the settings file and the start-with-Windows Run entry.

#include <functional>
#include <optional>
#include <string>

#include "platform/Services.h"

namespace app {

inline constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* kRunValueName = "Zorva Windows Live Mail Backup";
inline constexpr const char* kEnterBackupFolderMessage = "Please enter backup folder.";

struct SettingsValues {
    bool startonwindows = true;       // Check1
    bool checkbackupfile = true;      // Check3
    bool runliveafterbackup = true;   // Check6
    bool runliveafterrestore = true;  // Check7
    bool burndvd = true;              // Check2
    std::string backupfolder;         // Text1
    bool automgeneratefile = true;    // Check8
    bool openfolderbackup = true;     // Check5
    bool autocloselive = true;        // Check4
    bool replaceAutoBackupFile = true;  // Option1; Option2 otherwise
    int keepbackups = 0;              // spnKeepBackups; dated backups kept, 0 all
};

SettingsValues LoadSettingsValues(const platform::Environment& env);

// OK: false, with nothing written, when the folder box is blank (after
// "Please enter backup folder."), when the folder's name cannot be stored in
// the settings file's code page (after saying so), or when the Run entry must
// change and `mayChangeRunEntry` says no. Otherwise every key, then the Run
// entry; a Run entry that could not be written is reported.
bool SaveSettingsValues(platform::Services& services, SettingsValues values,
                        const std::function<bool()>& mayChangeRunEntry = {});

// Whether the Run entry differs from what WriteRunEntry(`on`) leaves.
bool RunEntryWouldChange(platform::Services& services, bool on);
// The Run entry: "\"<program folder>\tarnhold.exe\"" (off Windows the
// executable's host path through drive Z:), no arguments. False,
// with the registry's reason in its lastError(), when it could not be written.
bool WriteRunEntry(platform::Services& services, bool on);

}  // namespace app

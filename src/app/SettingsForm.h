#pragma once
// What the settings window shows and saves, without the window: every key
// of the settings file and the start-with-Windows Run entry.

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
};

SettingsValues LoadSettingsValues(const platform::Environment& env);

// OK: false (after "Please enter backup folder.", nothing written) when the
// folder box is blank; otherwise every key, then the Run entry.
bool SaveSettingsValues(platform::Services& services, SettingsValues values);

// The Run entry: "\"<program folder>\tarnhold.exe\"", no arguments.
void WriteRunEntry(platform::Services& services, bool on);

}  // namespace app

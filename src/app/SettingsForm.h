#pragma once
// What the settings window shows and saves, without the window: every key
// of the settings file and the start-with-Windows Run entry.

#include <array>
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

// The window's check boxes, page by page in the order they stand.
struct SettingsBox {
    const char* name;
    const char* caption;
    bool SettingsValues::*value;
    int page;  // index into kSettingsPages
};
inline constexpr const char* kSettingsCaption = "Settings";
inline constexpr std::array<const char*, 3> kSettingsPages{"General", "Backup", " Scheduled Backup"};
inline constexpr std::array<const char*, 3> kSettingsGroups{"General", "Backup", "Bacukup Files"};
inline constexpr std::array<SettingsBox, 8> kSettingsBoxes{{
    {"Check1", "Start software on Windows start up", &SettingsValues::startonwindows, 0},
    {"Check3", "Check backup file after backup procedure", &SettingsValues::checkbackupfile, 0},
    {"Check6", "Run Windows Live Mail after backup finish", &SettingsValues::runliveafterbackup, 0},
    {"Check7", "Run Windows Live Mail after restore finish", &SettingsValues::runliveafterrestore, 0},
    {"Check2", "Burn Backup file to CD/DVD after backup finish", &SettingsValues::burndvd, 0},
    {"Check8", "Automatically generate backup file name", &SettingsValues::automgeneratefile, 1},
    {"Check5", "Open folder after backup finishe", &SettingsValues::openfolderbackup, 1},
    {"Check4", "If Windows Live Mail locks a file then automatically close software", &SettingsValues::autocloselive, 1},
}};
inline constexpr const char* kFolderLabel = "Default folder for backups";
inline constexpr const char* kReplaceOption = "Replace to default AutoBackup file";   // Option1
inline constexpr const char* kNewFileOption = "Auto Backup to a new file";            // Option2
inline constexpr const char* kKeepBackupsLabel = "Dated backups to keep (0 keeps all)";

SettingsValues LoadSettingsValues(const platform::Environment& env);

// The folder browser of Command1: the chosen folder, or an empty text when
// the user cancels (cancelling empties the box, as the window always did).
std::string BrowseBackupFolder(platform::Dialogs& dialogs);

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

#include "app/SettingsForm.h"

#include <algorithm>
#include <filesystem>

#include "config/Globals.h"
#include "config/SettingsFile.h"
#include "platform/AnsiText.h"
#include "platform/HostPath.h"
#include "platform/Text.h"
#include "schedule/BackupRetention.h"
#include "platform/FsPath.h"

namespace app {

namespace {

bool flag(const std::string& file, const char* section, const char* key) {
    return config::SettingMatches(config::ReadSetting(file, section, key), 1);
}

void writeFlag(const std::string& file, const char* section, const char* key, bool on) {
    config::WriteSetting(file, section, key, on ? "1" : "0");
}

}  // namespace

SettingsValues LoadSettingsValues(const platform::Environment& env) {
    const std::string file = config::SettingsPath(env);
    SettingsValues v;
    v.startonwindows = flag(file, "General", "startonwindows");
    v.checkbackupfile = flag(file, "General", "checkbackupfile");
    v.runliveafterbackup = flag(file, "General", "runliveafterbackup");
    v.runliveafterrestore = flag(file, "General", "runliveafterrestore");
    v.burndvd = flag(file, "General", "burndvd");
    v.backupfolder = config::ReadSetting(file, "Backup", "backupfolder");
    if (v.backupfolder.empty()) v.backupfolder = env.programFolder;
    v.automgeneratefile = flag(file, "backup", "automgeneratefile");
    v.openfolderbackup = flag(file, "backup", "openfolderbackup");
    v.autocloselive = flag(file, "backup", "autocloselive");
    v.replaceAutoBackupFile = config::SettingMatches(config::ReadSetting(file, "autobackup", "autobackupfile"), 0);
    v.keepbackups = schedule::KeepBackupsSetting(env);
    return v;
}

bool SaveSettingsValues(platform::Services& services, SettingsValues v,
                        const std::function<bool()>& mayChangeRunEntry) {
    if (platform::trimBlanks(v.backupfolder).empty()) {
        services.dialogs.message(kEnterBackupFolderMessage, platform::Icon::Critical);
        return false;
    }
    const auto& env = services.env;
    std::error_code ec;
    if (!std::filesystem::is_directory(platform::fsPath(env.hostPath(platform::trimBlanks(v.backupfolder))), ec)) {
        v.backupfolder = env.programFolder;
    }
    if (!platform::fitsAnsi(v.backupfolder)) {
        services.dialogs.message("The folder\r\n" + platform::trimBlanks(v.backupfolder) +
                                     "\r\ncannot be stored in the settings file: code page " +
                                     std::to_string(platform::AnsiCodePage()) + " lacks characters of its name.",
                                 platform::Icon::Exclamation);
        return false;
    }
    if (RunEntryWouldChange(services, v.startonwindows) && mayChangeRunEntry && !mayChangeRunEntry()) return false;
    const std::string file = config::SettingsPath(env);
    config::WriteSetting(file, "Backup", "backupfolder", platform::inOneForm(platform::trimBlanks(v.backupfolder)));
    writeFlag(file, "General", "startonwindows", v.startonwindows);
    writeFlag(file, "General", "checkbackupfile", v.checkbackupfile);
    writeFlag(file, "General", "runliveafterbackup", v.runliveafterbackup);
    writeFlag(file, "General", "runliveafterrestore", v.runliveafterrestore);
    writeFlag(file, "General", "burndvd", v.burndvd);
    writeFlag(file, "backup", "autocloselive", v.autocloselive);
    writeFlag(file, "backup", "openfolderbackup", v.openfolderbackup);
    writeFlag(file, "backup", "automgeneratefile", v.automgeneratefile);
    config::WriteSetting(file, "autobackup", "autobackupfile", v.replaceAutoBackupFile ? "0" : "1");
    // Absent means keep all: a file that never had a count is not given one.
    if (v.keepbackups > 0 || !config::ReadSetting(file, "autobackup", "keepbackups").empty()) {
        config::WriteSetting(file, "autobackup", "keepbackups", std::to_string(std::max(0, v.keepbackups)));
    }
    if (RunEntryWouldChange(services, v.startonwindows) && !WriteRunEntry(services, v.startonwindows)) {
        services.dialogs.message("The start-up entry could not be written:\r\n\r\n" + services.registry.lastError(),
                                 platform::Icon::Exclamation);
    }
    return true;
}

namespace {

platform::RegValue runEntry(const platform::Environment& env) {
    // Off Windows the entry names the real executable as the prefix sees it.
#ifdef _WIN32
    const std::string program = env.executableFolder + "\\tarnhold.exe";
#else
    const std::string program = platform::prefixViewOf(platform::joinHostPath(env.executableFolder, "tarnhold"));
#endif
    const std::string data = "\"" + program + "\"";
    return platform::asStoredByTheApi(platform::RegValue::string(kRunValueName, platform::REG_SZ, data, false));
}

}  // namespace

bool RunEntryWouldChange(platform::Services& services, bool on) {
    auto now = services.registry.value(platform::Hive::CurrentUser, kRunKey, kRunValueName);
    if (!on) return now.has_value();
    const platform::RegValue wanted = runEntry(services.env);
    return !now || now->type != wanted.type || now->data != wanted.data;
}

bool WriteRunEntry(platform::Services& services, bool on) {
    auto& reg = services.registry;
    if (on) {
        reg.createKey(platform::Hive::CurrentUser, kRunKey);
        reg.setValue(platform::Hive::CurrentUser, kRunKey, runEntry(services.env));
    } else {
        reg.deleteValue(platform::Hive::CurrentUser, kRunKey, kRunValueName);
    }
    return reg.flush();
}

std::string BrowseBackupFolder(platform::Dialogs& dialogs) {
    return dialogs.browseFolder(config::kProgramTitle).value_or("");
}

}  // namespace app

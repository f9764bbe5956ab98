#include "app/SettingsForm.h"

#include <filesystem>

#include "app/SettingsFile.h"
#include "platform/Text.h"

namespace app {

namespace {

bool flag(const std::string& file, const char* section, const char* key) {
    return SettingMatches(ReadSetting(file, section, key), 1);
}

void writeFlag(const std::string& file, const char* section, const char* key, bool on) {
    WriteSetting(file, section, key, on ? "1" : "0");
}

}  // namespace

SettingsValues LoadSettingsValues(const platform::Environment& env) {
    const std::string file = SettingsPath(env);
    SettingsValues v;
    v.startonwindows = flag(file, "General", "startonwindows");
    v.checkbackupfile = flag(file, "General", "checkbackupfile");
    v.runliveafterbackup = flag(file, "General", "runliveafterbackup");
    v.runliveafterrestore = flag(file, "General", "runliveafterrestore");
    v.burndvd = flag(file, "General", "burndvd");
    v.backupfolder = ReadSetting(file, "Backup", "backupfolder");
    if (v.backupfolder.empty()) v.backupfolder = env.programFolder;
    v.automgeneratefile = flag(file, "backup", "automgeneratefile");
    v.openfolderbackup = flag(file, "backup", "openfolderbackup");
    v.autocloselive = flag(file, "backup", "autocloselive");
    v.replaceAutoBackupFile = SettingMatches(ReadSetting(file, "autobackup", "autobackupfile"), 0);
    return v;
}

bool SaveSettingsValues(platform::Services& services, SettingsValues v) {
    if (platform::trimBlanks(v.backupfolder).empty()) {
        services.dialogs.message(kEnterBackupFolderMessage, platform::Icon::Critical);
        return false;
    }
    const auto& env = services.env;
    std::error_code ec;
    if (!std::filesystem::is_directory(env.hostPath(platform::trimBlanks(v.backupfolder)), ec)) {
        v.backupfolder = env.programFolder;
    }
    const std::string file = SettingsPath(env);
    WriteSetting(file, "Backup", "backupfolder", platform::trimBlanks(v.backupfolder));
    writeFlag(file, "General", "startonwindows", v.startonwindows);
    writeFlag(file, "General", "checkbackupfile", v.checkbackupfile);
    writeFlag(file, "General", "runliveafterbackup", v.runliveafterbackup);
    writeFlag(file, "General", "runliveafterrestore", v.runliveafterrestore);
    writeFlag(file, "General", "burndvd", v.burndvd);
    writeFlag(file, "backup", "autocloselive", v.autocloselive);
    writeFlag(file, "backup", "openfolderbackup", v.openfolderbackup);
    writeFlag(file, "backup", "automgeneratefile", v.automgeneratefile);
    WriteSetting(file, "autobackup", "autobackupfile", v.replaceAutoBackupFile ? "0" : "1");
    WriteRunEntry(services, v.startonwindows);
    return true;
}

void WriteRunEntry(platform::Services& services, bool on) {
    auto& reg = services.registry;
    if (on) {
        reg.createKey(platform::Hive::CurrentUser, kRunKey);
        const std::string data = "\"" + services.env.resourceFolder + "\\tarnhold.exe\"";
        reg.setValue(platform::Hive::CurrentUser, kRunKey,
                     platform::RegValue::string(kRunValueName, platform::REG_SZ, data, false));
    } else {
        reg.deleteValue(platform::Hive::CurrentUser, kRunKey, kRunValueName);
    }
    reg.flush();
}

}  // namespace app

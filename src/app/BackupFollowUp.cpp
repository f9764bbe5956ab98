#include "app/BackupFollowUp.h"

#include <filesystem>

#include "session/Discovery.h"
#include "config/SettingsFile.h"
#include "platform/HostPath.h"
#include "platform/FsPath.h"

namespace app {

std::string MailClientProgram(items::RegistryAccess& registry) {
    return registry.ReadRegistryString(session::kAppPathsKey, "Path") + "\\wlmail.exe";
}

void OpenContainingFolder(platform::Launcher& launcher, const std::string& path) {
    const bool windowsPath = path.size() >= 2 && path[1] == ':';
    if (windowsPath) {
        launcher.startWindowsCommand("explorer /n," + path.substr(0, path.rfind('\\') + 1), platform::ShowMode::Normal);
    } else {
        launcher.shellOpen(platform::folderPartWithSeparator(path));
    }
}

void RunBackupFollowUps(platform::Services& services, items::RegistryAccess& registry,
                        const std::string& BackupTargetFile, const DiscWindowOpener& openDiscWindow) {
    const auto& env = services.env;
    const std::string file = env.hostPath(BackupTargetFile);
    if (config::SettingIsOn(env, "General", "burndvd") && openDiscWindow) {
        std::error_code ec;
        const bool present = std::filesystem::is_regular_file(platform::fsPath(file), ec);
        openDiscWindow(present ? platform::bareName(file) : std::string(), file);
    }
    if (config::SettingIsOn(env, "General", "runliveafterbackup")) {
        // Quoted: the program's folder usually holds blanks.
        services.launcher.startWindowsCommand("\"" + MailClientProgram(registry) + "\"", platform::ShowMode::Minimized);
    }
    if (config::SettingIsOn(env, "backup", "openfolderbackup")) OpenContainingFolder(services.launcher, file);
}

}  // namespace app

#include "backup/FileNaming.h"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <random>

#include "config/SettingsFile.h"
#include "platform/HostPath.h"
#include "platform/RawFile.h"
#include "platform/Text.h"

namespace backup {

std::string DateStamp(const config::DateTime& date) {
    const platform::CivilTime f = date.fields();
    char text[16];
    std::snprintf(text, sizeof text, "%02d-%02d-%04d", f.month, f.day, f.year);
    return text;
}

std::optional<std::string> ProposedTargetFile(const platform::Environment& env, const std::string& userName,
                                              const config::DateTime& today) {
    if (!config::SettingIsOn(env, "backup", "automgeneratefile")) return std::nullopt;
    std::string folder = config::ResolveBackupFolder(env);
    return platform::joinPath(folder, "livemailback-" + userName + "-" + DateStamp(today) + ".wlm");
}

std::optional<std::string> ChooseTargetFile(platform::Dialogs& dialogs, const platform::Environment& env,
                                            const config::DateTime& today) {
    platform::FileDialogRequest request;
    request.folder = env.hostPath(config::ResolveBackupFolder(env));
    request.title = "Save Windows Mail Data as";
    request.filter = kBackupFileFilter;
    request.fileName = "tarnhold-" + DateStamp(today);
    request.confirmOverwrite = true;
    return dialogs.saveFile(request);
}

std::string sGetTempFile(const std::string& hostFolder, const std::string& sPrefix) {
    // Like the system's temporary-name service: up to four hex digits after a
    // three-character prefix, trying numbers until one is free.
    static std::atomic<unsigned> counter{std::random_device{}()};
    std::string prefix = sPrefix.substr(0, 3);
    for (int attempt = 0; attempt < 0x10000; ++attempt) {
        unsigned number = (counter++ & 0xFFFFu);
        if (number == 0) continue;
        char name[16];
        std::snprintf(name, sizeof name, "%X.tmp", number);
        std::string path = platform::joinHostPath(hostFolder, prefix + name);
        const platform::NewFile made = platform::createNewFile(path);
        if (made == platform::NewFile::Created) return path + '\0';
        if (made == platform::NewFile::Failed) return {};
    }
    return {};
}

bool IsTempFileName(const std::string& name) {
    // "OB", a capital, one to four hex digits, ".tmp".
    if (name.size() < 8 || name.size() > 11 || name.rfind("OB", 0) != 0 || !platform::endsWith(name, ".tmp")) {
        return false;
    }
    const std::string digits = name.substr(3, name.size() - 7);
    return std::isupper(static_cast<unsigned char>(name[2])) &&
           digits.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}

}  // namespace backup

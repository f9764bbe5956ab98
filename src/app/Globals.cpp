#include "app/Globals.h"

#include "platform/AnsiText.h"

namespace app {

void ShellOpen(platform::Launcher& launcher, const std::string& target) {
    launcher.shellOpen(target);
}

std::string HelpDocumentPath(const platform::Environment& env) {
    // The help ships as HTML: no help viewer for compiled help exists off Windows.
    return env.resourceFolder + "/help/index.html";
}

void ShowHelp(platform::Launcher& launcher, const platform::Environment& env) {
    launcher.openHelp(HelpDocumentPath(env));
}

bool AppendTextLine(const std::string& path, const std::string& line) {
    return platform::appendAnsiLine(path, line);
}

std::string ExpandUserProfile(const std::string& path, const std::string& userProfile) {
    static constexpr std::string_view kToken = "%USERPROFILE%";
    auto pos = path.find(kToken);
    if (pos == std::string::npos) return path;
    return userProfile + path.substr(pos + kToken.size());
}

}  // namespace app

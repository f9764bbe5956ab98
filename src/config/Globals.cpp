#include "config/Globals.h"

#include "platform/AnsiText.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace config {

void ShellOpen(platform::Launcher& launcher, const std::string& target) {
    launcher.shellOpen(target);
}

std::string HelpDocumentPath(const platform::Environment& env) {
    // The help ships as HTML: no help viewer for compiled help exists off Windows.
    return env.resourceFolder + "/help/index.html";
}

std::string SkinPath(const platform::Environment& env) {
    return env.resourceFolder + "/skins/frmmain.skn";
}

void ShowHelp(platform::Launcher& launcher, const platform::Environment& env) {
#ifdef _WIN32
    // The Windows build keeps the compiled help and its viewer.
    char windows[256] = {};
    GetWindowsDirectoryA(windows, 255);
    launcher.startWindowsCommand(std::string(windows) + "\\hh.exe " + env.resourceFolder + "\\help.chm",
                                 platform::ShowMode::Normal);
#else
    launcher.openHelp(HelpDocumentPath(env));
#endif
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

}  // namespace config

// tarnhold.exe: with any command line at all the unattended backup, which
// shows nothing and ends with its status; without one the windows, which
// this version does not hold yet, so it says so.

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/LogDialogs.h"
#include "app/Startup.h"
#include "config/Globals.h"
#include "platform/win32/WideText.h"

namespace {

constexpr const char* kNoWindowsMessage =
    "The windows of this program are not built in this version for Windows. It makes the scheduled "
    "(unattended) backup when it is started with its command line, and tarnhold-cli.exe inspects, checks "
    "and restores backups.";

// The arguments after the program's name, as the system splits the command line.
std::vector<std::string> arguments() {
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; words && i < count; ++i) args.push_back(platform::utf8(words[i]));
    LocalFree(words);
    return args;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::vector<std::string> args = arguments();
    if (args.empty()) {
        MessageBoxW(nullptr, platform::wide(kNoWindowsMessage).c_str(), platform::wide(config::kProgramTitle).c_str(),
                    MB_OK | MB_ICONEXCLAMATION);
        return 1;
    }
    // Joined by one blank, as on Linux: the scheduled task's action is the
    // quoted program followed by " sf=...", and a command line typed with
    // the whole text quoted arrives the same.
    std::string commandLine;
    for (std::size_t i = 0; i < args.size(); ++i) commandLine += (i > 0 ? " " : "") + args[i];
    app::RealPlatform real(platform::Environment::runningExecutableFolder(),
                           [](const platform::Environment& env) -> std::unique_ptr<platform::Dialogs> {
                               return std::make_unique<app::LogDialogs>(env.programFile("brlog.dat"));
                           });
    return app::RunUnattended(real.services(), commandLine);
}

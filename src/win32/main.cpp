// tarnhold.exe: with any command line at all the unattended backup, which
// shows nothing and ends with its status; without one the main window.

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/LogDialogs.h"
#include "app/Startup.h"
#include "config/Globals.h"
#include "platform/win32/WideText.h"
#include "session/MainSession.h"
#include "win32/Win32Dialogs.h"
#include "win32/frmMain.h"

namespace {

// The arguments after the program's name, as the system splits the command line.
std::vector<std::string> arguments() {
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; words && i < count; ++i) args.push_back(platform::utf8(words[i]));
    LocalFree(words);
    return args;
}

int runInteractive() {
    win32::Win32Dialogs* dialogs = nullptr;
    app::RealPlatform real(platform::Environment::runningExecutableFolder(),
                           [&dialogs](const platform::Environment&) -> std::unique_ptr<platform::Dialogs> {
                               auto made = std::make_unique<win32::Win32Dialogs>();
                               dialogs = made.get();
                               return made;
                           });
    session::MainSession session(real.services(), "");
    win32::frmMain window(session, platform::Environment::runningExecutable());
    dialogs->setOwner(window.handle());
    // Discovery completes before the window is first shown.
    window.logic().Form_Load();
    ShowWindow(window.handle(), SW_SHOWNORMAL);
    UpdateWindow(window.handle());
    return win32::Form::runMessageLoop();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::vector<std::string> args = arguments();
    if (args.empty()) return runInteractive();
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

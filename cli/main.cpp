// tarnhold-cli: look into, check and restore backups from a shell or a
// script. It shares every rule with the window; it only reads its
// arguments and prints.

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "CliCommands.h"
#include "CliDialogs.h"
#include "CliStatus.h"
#include "config/Globals.h"
#include "app/Startup.h"
#include "platform/Memory.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/WideText.h"
#endif

namespace {

constexpr const char* kUsage =
    "usage: tarnhold-cli COMMAND FILE [OPTIONS]\n"
    "       tarnhold-cli status\n"
    "\n"
    "commands:\n"
    "  info FILE                  computer, user, date, description and the items of a backup\n"
    "  list FILE                  the members with their sizes, and the files in each folder archive\n"
    "  verify FILE                read every member and folder archive and check each name and size\n"
    "                             a restore would meet; exit 0 only when all is sound\n"
    "  restore FILE [--items M] [--end-wine]\n"
    "                             restore into $WINEPREFIX; M is an 11-character mask of 0 and 1\n"
    "                             (default: every item the backup holds). While Windows programs\n"
    "                             run in the prefix the restore is refused, unless --end-wine\n"
    "                             is given to end them first\n"
    "\n"
    "tarnhold-cli status tells how the scheduled backups went: exit 1 when the last\n"
    "one failed or did not finish, or when a weekly task exists and no scheduled\n"
    "backup succeeded for more than eight days.\n"
    "tarnhold-cli --version prints the program's name and version.\n"
    "The password of a protected backup is read from the terminal, or from\n"
    "TARNHOLD_PASSWORD when set. Exit status: 0 done, 1 failed, 2 usage error.\n";

int usageError(const std::string& why) {
    std::cerr << "tarnhold-cli: " << why << "\n" << kUsage;
    return 2;
}

bool isMask(const std::string& text) {
    return !text.empty() && text.size() <= 11 && text.find_first_not_of("01") == std::string::npos;
}

int run(const std::vector<std::string>& args) {
    platform::returnLargeBuffersWhenFreed();
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << config::kProductLine << "\n";
        return 0;
    }
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << kUsage;
        return 0;
    }
    if (!args.empty() && args[0] == "status") {
        if (args.size() > 1) return usageError("status takes no file or option");
        app::RealPlatform real(platform::Environment::runningExecutableFolder(),
                               [](const platform::Environment&) { return std::make_unique<cli::CliDialogs>(); });
        return cli::Status(real.services());
    }
    if (args.size() < 2) return usageError("a command and a backup file are needed");
    const std::string& command = args[0];
    const std::string& file = args[1];
    cli::RestoreOptions options;
    for (std::size_t i = 2; i < args.size(); ++i) {
        if (command == "restore" && args[i] == "--items" && i + 1 < args.size() && !options.mask) {
            if (!isMask(args[i + 1])) return usageError("--items takes up to 11 characters of 0 and 1");
            options.mask = args[++i];
        } else if (command == "restore" && args[i] == "--end-wine") {
            options.endWine = true;
        } else {
            return usageError("unexpected argument \"" + args[i] + "\"");
        }
    }
    app::RealPlatform real(platform::Environment::runningExecutableFolder(),
                           [](const platform::Environment&) { return std::make_unique<cli::CliDialogs>(); });
    session::MainSession session(real.services(), "");
    int status = 2;
    if (command == "info") status = cli::Info(session, file);
    else if (command == "list") status = cli::List(session, file);
    else if (command == "verify") status = cli::Verify(session, file);
    else if (command == "restore") status = cli::Restore(session, file, options);
    else return usageError("unknown command \"" + command + "\"");
    session.Shutdown();
    return status;
}

}  // namespace

#ifdef _WIN32
// The arguments as the system holds them, in UTF-16, so that a file name
// keeps characters the ANSI code page lacks; what is printed goes out as UTF-8.
int wmain(int argc, wchar_t** argv) {
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(platform::utf8(argv[i]));
    return run(args);
}
#else
int main(int argc, char** argv) { return run(std::vector<std::string>(argv + 1, argv + argc)); }
#endif

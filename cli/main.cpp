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
    "  messages FILE [--folder PATH]\n"
    "                             the mail accounts and their folders with message counts and sizes;\n"
    "                             with --folder, the date, sender, subject and size of each message\n"
    "                             in it. PATH is an account or \"Account/Folder/Subfolder\"\n"
    "  export FILE --to DIR [--format mbox|eml] [--folder PATH] [--into-existing]\n"
    "                             the mail (or the folder PATH and its subfolders) into DIR: an mbox\n"
    "                             file per folder as Thunderbird keeps them (the default), or the\n"
    "                             messages as .eml files as stored. Counts every folder's messages;\n"
    "                             exit 1 when one was skipped. DIR must be empty unless\n"
    "                             --into-existing is given; no file is ever overwritten\n"
    "  restore FILE --folder PATH --to DIR [--into-existing]\n"
    "                             one account or folder, every file as stored, into DIR instead of\n"
    "                             the mail client's store\n"
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

struct Options {
    cli::RestoreOptions restore;
    cli::MailOptions mail;
};

// The value after option i, taken once: empty when there is none.
bool takeValue(const std::vector<std::string>& args, std::size_t& i, std::optional<std::string>& value) {
    if (value || i + 1 >= args.size() || args[i + 1].empty()) return false;
    value = args[++i];
    return true;
}

// Takes option i (and its value) of `command`: empty text, or what is wrong.
std::string takeOption(const std::string& command, const std::vector<std::string>& args, std::size_t& i,
                       Options& options) {
    const std::string& arg = args[i];
    const bool mail = command == "messages" || command == "export" || command == "restore";
    auto& m = options.mail;
    if (command == "restore" && arg == "--items" && i + 1 < args.size() && !options.restore.mask) {
        if (!isMask(args[i + 1])) return "--items takes up to 11 characters of 0 and 1";
        options.restore.mask = args[++i];
    } else if (command == "restore" && arg == "--end-wine") {
        options.restore.endWine = true;
    } else if (mail && arg == "--folder") {
        if (!takeValue(args, i, m.folder)) return "--folder takes one folder path";
    } else if ((command == "export" || command == "restore") && arg == "--to") {
        if (!takeValue(args, i, m.to)) return "--to takes one target folder";
    } else if ((command == "export" || command == "restore") && arg == "--into-existing") {
        m.intoExisting = true;
    } else if (command == "export" && arg == "--format" && i + 1 < args.size()) {
        const std::string& format = args[++i];
        if (format != "mbox" && format != "eml") return "--format takes mbox or eml";
        m.format = format == "eml" ? mailexport::Format::Eml : mailexport::Format::Mbox;
    } else {
        return "unexpected argument \"" + arg + "\"";
    }
    return {};
}

// What the command still lacks, or mixes that do not go together.
std::string missingOption(const std::string& command, const Options& options) {
    const auto& m = options.mail;
    if (command == "export" && !m.to) return "export needs --to DIR";
    if (command != "restore") return {};
    const bool folderRestore = m.folder || m.to || m.intoExisting;
    if (folderRestore && (options.restore.mask || options.restore.endWine)) {
        return "a folder restore (--folder, --to) takes neither --items nor --end-wine";
    }
    if (folderRestore && (!m.folder || !m.to)) return "a folder restore needs both --folder PATH and --to DIR";
    return {};
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
    Options options;
    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::string why = takeOption(command, args, i, options);
        if (!why.empty()) return usageError(why);
    }
    if (const std::string why = missingOption(command, options); !why.empty()) return usageError(why);
    app::RealPlatform real(platform::Environment::runningExecutableFolder(),
                           [](const platform::Environment&) { return std::make_unique<cli::CliDialogs>(); });
    session::MainSession session(real.services(), "");
    int status = 2;
    if (command == "info") status = cli::Info(session, file);
    else if (command == "list") status = cli::List(session, file);
    else if (command == "verify") status = cli::Verify(session, file);
    else if (command == "restore" && options.mail.folder) status = cli::RestoreFolder(session, file, options.mail);
    else if (command == "restore") status = cli::Restore(session, file, options.restore);
    else if (command == "messages") status = cli::Messages(session, file, options.mail.folder);
    else if (command == "export") status = cli::Export(session, file, options.mail);
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

#include "platform/posix/PosixLauncher.h"

#include "platform/ChildProcess.h"

namespace platform {

namespace {

bool looksLikeAddress(const std::string& target) {
    return target.find("://") != std::string::npos || target.rfind("mailto:", 0) == 0;
}

}  // namespace

std::vector<std::string> PosixLauncher::splitWindowsCommandLine(const std::string& commandLine) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    bool inWord = false;
    for (char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (c == ' ' && !quoted) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

std::vector<std::string> PosixLauncher::wineArguments(const std::string& commandLine, ShowMode mode) {
    std::vector<std::string> args;
    // Wine's "start" honours the window state; a plain start opens normally.
    if (mode != ShowMode::Normal) args = {"start", "/min"};
    for (auto& word : splitWindowsCommandLine(commandLine)) args.push_back(std::move(word));
    return args;
}

bool PosixLauncher::startDetached(const std::string& program, const std::vector<std::string>& arguments) const {
    ProcessRun run;
    run.program = program;
    run.arguments = arguments;
    run.environment = {{"WINEPREFIX", env_.winePrefix}};
    return StartDetached(run);
}

bool PosixLauncher::shellOpen(const std::string& target) {
    if (target.empty()) return false;
    return startDetached("xdg-open", {looksLikeAddress(target) ? target : env_.hostPath(target)});
}

bool PosixLauncher::startWindowsCommand(const std::string& commandLine, ShowMode mode) {
    if (splitWindowsCommandLine(commandLine).empty()) return false;
    return startDetached("wine", wineArguments(commandLine, mode));
}

bool PosixLauncher::openTextFile(const std::string& hostPath) {
    return startDetached("xdg-open", {hostPath});
}

bool PosixLauncher::openHelp(const std::string& hostPath) {
    return startDetached("xdg-open", {hostPath});
}

}  // namespace platform

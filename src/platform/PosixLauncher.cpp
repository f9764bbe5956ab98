#include "platform/PosixLauncher.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

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
    QProcess process;
    process.setProgram(QString::fromStdString(program));
    QStringList list;
    for (const auto& a : arguments) list << QString::fromStdString(a);
    process.setArguments(list);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("WINEPREFIX", QString::fromStdString(env_.winePrefix));
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
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

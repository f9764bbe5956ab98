#pragma once
// Starting programs on a POSIX host: documents, folders and addresses with
// the desktop's handler (xdg-open); Windows command lines through Wine in the
// prefix this run works on. Nothing waits for what it starts.

#include <string>
#include <vector>

#include "platform/Environment.h"
#include "platform/Launcher.h"

namespace platform {

class PosixLauncher : public Launcher {
public:
    explicit PosixLauncher(Environment env) : env_(std::move(env)) {}

    bool shellOpen(const std::string& target) override;
    bool startWindowsCommand(const std::string& commandLine, ShowMode mode) override;
    bool openTextFile(const std::string& hostPath) override;
    bool openHelp(const std::string& hostPath) override;

    // The words of a Windows command line: blanks separate them, double
    // quotes group blanks into a word and are dropped.
    static std::vector<std::string> splitWindowsCommandLine(const std::string& commandLine);
    // The program and arguments that run `commandLine` under Wine.
    static std::vector<std::string> wineArguments(const std::string& commandLine, ShowMode mode);

private:
    bool startDetached(const std::string& program, const std::vector<std::string>& arguments) const;

    Environment env_;
};

}  // namespace platform

#pragma once
// Starting programs on Windows: documents, folders and addresses with their
// default handler, command lines as they stand. Nothing waits for what it
// starts.

#include <string>
#include <utility>

#include "platform/Environment.h"
#include "platform/Launcher.h"

namespace platform {

class Win32Launcher : public Launcher {
public:
    // Made as the POSIX launcher is; paths are Windows paths here already,
    // so none of them needs the environment to be translated.
    explicit Win32Launcher(Environment env) : env_(std::move(env)) {}

    bool shellOpen(const std::string& target) override;
    bool startWindowsCommand(const std::string& commandLine, ShowMode mode) override;
    // Notepad from the Windows folder, which every Windows has.
    bool openTextFile(const std::string& hostPath) override;
    bool openHelp(const std::string& hostPath) override;

private:
    Environment env_;
};

}  // namespace platform

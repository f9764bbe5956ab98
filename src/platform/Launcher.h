#pragma once
// Starting other programs. Nothing waits for what it starts; failures are
// reported only through the result, which callers usually ignore.

#include <string>

namespace platform {

enum class ShowMode { Normal, Minimized, Hidden };

class Launcher {
public:
    virtual ~Launcher() = default;
    // A document, folder or web address with its default handler.
    virtual bool shellOpen(const std::string& target) = 0;
    // A Windows command line ("C:\...\wlmail.exe", "explorer /n,C:\x\"); off
    // Windows it runs inside the Wine prefix.
    virtual bool startWindowsCommand(const std::string& commandLine, ShowMode mode) = 0;
    // A text file of the program's (the operation log) in a text editor.
    virtual bool openTextFile(const std::string& hostPath) = 0;
    // The program's help document.
    virtual bool openHelp(const std::string& hostPath) = 0;
};

}  // namespace platform

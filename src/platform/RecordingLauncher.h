#pragma once
// Test double: records every launch instead of starting anything.

#include <string>
#include <vector>

#include "platform/Launcher.h"

namespace platform {

class RecordingLauncher : public Launcher {
public:
    enum class Kind { ShellOpen, WindowsCommand, TextFile, Help };
    struct Launch {
        Kind kind;
        std::string target;
        ShowMode mode = ShowMode::Normal;
        bool operator==(const Launch&) const = default;
    };

    bool shellOpen(const std::string& target) override { return record({Kind::ShellOpen, target}); }
    bool startWindowsCommand(const std::string& commandLine, ShowMode mode) override {
        return record({Kind::WindowsCommand, commandLine, mode});
    }
    bool openTextFile(const std::string& hostPath) override { return record({Kind::TextFile, hostPath}); }
    bool openHelp(const std::string& hostPath) override { return record({Kind::Help, hostPath}); }

    std::vector<Launch> launches;
    bool result = true;  // what every launch answers

private:
    bool record(Launch launch) {
        launches.push_back(std::move(launch));
        return result;
    }
};

}  // namespace platform

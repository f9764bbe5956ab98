#pragma once
// Ending processes by executable name on a POSIX host, where Wine programs
// show up under their Windows executable name in /proc.

#include "platform/Processes.h"

namespace platform {

class PosixProcesses : public Processes {
public:
    // `procFolder` is the process table to scan; tests give a fake one.
    explicit PosixProcesses(std::string procFolder = "/proc");
    int killByName(const std::string& exeName) override;

    // The names a process goes by: its /proc comm and the bare name of the
    // first word of its command line ("C:\...\wlmail.exe" -> "wlmail.exe").
    static bool processMatches(const std::string& comm, const std::string& cmdline,
                               const std::string& exeName);

private:
    std::string procFolder_;
};

}  // namespace platform

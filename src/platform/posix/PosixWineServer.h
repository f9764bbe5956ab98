#pragma once
// The prefix's wineserver on a POSIX host. It is found through the process
// table: a process named "wineserver" or "wineserver64" works in the folder
// "server-<device>-<inode>" (both in hex) of the prefix folder it serves;
// where that folder lies differs between Wine builds, so only its name counts.

#include "platform/WineServer.h"

namespace platform {

class PosixWineServer : public WineServer {
public:
    // `procFolder` is the process table to scan; tests give a fake one.
    explicit PosixWineServer(std::string prefixFolder, std::string procFolder = "/proc");

    const std::string& prefix() const override { return prefix_; }
    bool running() override;
    WineExport exportKey(const std::string& key) override;
    bool endPrograms(std::chrono::milliseconds limit) override;
    bool waitForExit(std::chrono::milliseconds limit) override;

    // "server-<st_dev>-<st_ino>" of a folder, as Wine names its server's
    // folder; empty when the folder cannot be examined.
    static std::string serverFolderName(const std::string& prefixFolder);
    // Whether a process with this /proc comm and working folder serves the
    // prefix whose server folder is named `serverFolder`.
    static bool servesPrefix(const std::string& comm, const std::string& workingFolder,
                             const std::string& serverFolder);

private:
    std::string prefix_;
    std::string procFolder_;
};

}  // namespace platform

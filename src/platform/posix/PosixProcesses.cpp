#include "platform/posix/PosixProcesses.h"

#include <cctype>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "platform/HostPath.h"
#include "platform/Text.h"

namespace platform {

namespace {

std::string readSmallFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool isPid(const std::string& name) {
    if (name.empty()) return false;
    for (char c : name) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

}  // namespace

PosixProcesses::PosixProcesses(std::string procFolder) : procFolder_(std::move(procFolder)) {}

bool PosixProcesses::processMatches(const std::string& comm, const std::string& cmdline,
                                    const std::string& exeName) {
    if (exeName.empty()) return false;
    std::string name = comm;
    while (!name.empty() && (name.back() == '\n' || name.back() == '\0')) name.pop_back();
    if (equalsNoCase(name, exeName)) return true;
    // The first NUL-separated word of the command line.
    return equalsNoCase(bareName(cutAtNul(cmdline)), exeName);
}

int PosixProcesses::killByName(const std::string& exeName) {
    namespace fs = std::filesystem;
    const std::string self = std::to_string(::getpid());
    int ended = 0;
    std::error_code ec;
    for (fs::directory_iterator it(procFolder_, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string pid = it->path().filename().string();
        if (!isPid(pid) || pid == self) continue;
        if (!processMatches(readSmallFile(it->path() / "comm"), readSmallFile(it->path() / "cmdline"),
                            exeName)) {
            continue;
        }
        // Ended at once, as Windows' TerminateProcess does.
        if (::kill(static_cast<pid_t>(std::stol(pid)), SIGKILL) == 0) ++ended;
    }
    return ended;
}

}  // namespace platform

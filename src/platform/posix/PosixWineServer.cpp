#include "platform/posix/PosixWineServer.h"

#include <cstdio>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "platform/ChildProcess.h"
#include "platform/HostPath.h"

namespace platform {

namespace {

namespace fs = std::filesystem;

constexpr std::chrono::milliseconds kExportLimit{120000};
constexpr std::chrono::milliseconds kEndLimit{20000};

std::string readSmallFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool isPid(const std::string& name) {
    return !name.empty() && name.find_first_not_of("0123456789") == std::string::npos;
}

// How a Wine tool's run ended.
struct ToolRun {
    bool finished = false;  // started and ended by itself in time
    int exitCode = -1;
    std::string said;       // what it printed, or why it did not run
};

// Runs a Wine tool against the prefix and waits for it. Its output goes to
// a file, not a pipe: a server it starts may outlive it and would hold a
// pipe open.
ToolRun runWineTool(const std::string& prefix, const std::string& program, const std::vector<std::string>& arguments,
                    std::chrono::milliseconds limit) {
    ToolRun run;
    ProcessRun process;
    process.program = program;
    process.arguments = arguments;
    process.environment = {{"WINEPREFIX", prefix}, {"WINEDEBUG", "-all"}};
    process.limit = limit;
    process.outputFile = (fs::temp_directory_path() / "tarnhold-wine-XXXXXX").string();
    const int fd = ::mkstemp(process.outputFile.data());
    if (fd < 0) {
        run.said = "no scratch file could be made for the output of \"" + program + "\"";
        return run;
    }
    ::close(fd);
    const ProcessOutcome outcome = RunProcess(process);
    run.finished = outcome.finished;
    run.exitCode = outcome.exitCode;
    run.said = outcome.finished ? readSmallFile(process.outputFile) : outcome.problem;
    while (!run.said.empty() && (run.said.back() == '\n' || run.said.back() == '\r')) run.said.pop_back();
    std::error_code ec;
    fs::remove(process.outputFile, ec);
    return run;
}

// A scratch file inside the prefix's drive C:, where Wine can write it under
// a name it understands; its host path and its Windows name.
bool scratchFileInPrefix(const std::string& prefix, std::string* hostPath, std::string* windowsPath) {
    for (const char* folder : {"windows/temp", ""}) {
        std::string host = (fs::path(prefix) / "drive_c" / folder).string();
        std::string templ = joinHostPath(host, "tarnhold-export-XXXXXX");
        int fd = ::mkstemp(templ.data());
        if (fd < 0) continue;
        ::close(fd);
        *hostPath = templ;
        std::string rest = templ.substr((fs::path(prefix) / "drive_c").string().size());
        for (char& c : rest) {
            if (c == '/') c = '\\';
        }
        *windowsPath = "C:" + rest;
        return true;
    }
    return false;
}

}  // namespace

PosixWineServer::PosixWineServer(std::string prefixFolder, std::string procFolder)
    : prefix_(std::move(prefixFolder)), procFolder_(std::move(procFolder)) {}

std::string PosixWineServer::serverFolderName(const std::string& prefixFolder) {
    struct stat st {};
    if (::stat(prefixFolder.c_str(), &st) != 0) return {};
    char name[64];
    std::snprintf(name, sizeof name, "server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    return name;
}

bool PosixWineServer::servesPrefix(const std::string& comm, const std::string& workingFolder,
                                   const std::string& serverFolder) {
    std::string name = comm;
    while (!name.empty() && (name.back() == '\n' || name.back() == '\0')) name.pop_back();
    if (name != "wineserver" && name != "wineserver64") return false;
    return !serverFolder.empty() && bareName(workingFolder) == serverFolder;
}

bool PosixWineServer::running() {
    const std::string serverFolder = serverFolderName(prefix_);
    if (serverFolder.empty()) return false;
    // readdir, not a directory iterator: processes come and go while the
    // table is read, and one that vanishes must not end the scan.
    DIR* table = ::opendir(procFolder_.c_str());
    if (!table) return false;
    bool found = false;
    while (const dirent* entry = ::readdir(table)) {
        const std::string pid = entry->d_name;
        if (!isPid(pid)) continue;
        const fs::path process = fs::path(procFolder_) / pid;
        std::error_code linkError;
        const fs::path cwd = fs::read_symlink(process / "cwd", linkError);
        if (linkError) continue;
        if (servesPrefix(readSmallFile(process / "comm"), cwd.string(), serverFolder)) {
            found = true;
            break;
        }
    }
    ::closedir(table);
    return found;
}

WineExport PosixWineServer::exportKey(const std::string& key) {
    WineExport result;
    std::string hostPath;
    std::string windowsPath;
    if (!scratchFileInPrefix(prefix_, &hostPath, &windowsPath)) {
        result.error = "no scratch file could be made inside the prefix " + prefix_;
        return result;
    }
    const ToolRun run = runWineTool(
        prefix_, "wine", {"reg", "export", key, windowsPath, "/y"}, kExportLimit);
    const std::string text = readSmallFile(hostPath);
    std::error_code ec;
    fs::remove(hostPath, ec);
    if (run.finished && run.exitCode == 0 && !text.empty()) {
        result.outcome = WineExport::Outcome::Exported;
        result.text = text;
    } else if (run.finished && run.exitCode == 1 && text.empty()) {
        // reg's answer for a key that is not there; it wrote nothing.
        result.outcome = WineExport::Outcome::NoSuchKey;
    } else {
        result.error = run.finished ? "\"wine reg export " + key + "\" failed with status " +
                                          std::to_string(run.exitCode) + (run.said.empty() ? "" : ": " + run.said)
                                    : run.said;
    }
    return result;
}

bool PosixWineServer::endPrograms(std::chrono::milliseconds limit) {
    runWineTool(prefix_, "wineserver", {"-k"}, kEndLimit);
    return waitForExit(limit);
}

bool PosixWineServer::waitForExit(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (running()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

}  // namespace platform

#include "platform/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <regex>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {

void setError(std::string* error, const std::string& what, const std::string& path) {
    if (error) *error = what + " \"" + path + "\": " + std::strerror(errno);
}

std::string folderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes the rename itself durable; failure here is not worth reporting
// because the new contents are already in place.
void syncFolder(const std::string& path) {
    int fd = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

bool writeAll(int fd, std::string_view contents) {
    while (!contents.empty()) {
        ssize_t n = ::write(fd, contents.data(), contents.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        contents.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// The replacement keeps the permissions of the file it replaces.
void copyMode(int fd, const std::string& target) {
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) ::fchmod(fd, st.st_mode & 07777);
}

}  // namespace

std::string temporaryPathBeside(const std::string& hostPath) {
    static std::atomic<unsigned> counter{0};
    std::random_device rd;
    for (;;) {
        std::string candidate = hostPath + ".tmp-" + std::to_string(::getpid()) + "-" +
                                std::to_string(counter++) + "-" + std::to_string(rd() % 100000);
        struct stat st {};
        // Only a name that is taken asks for another; any other answer is the
        // writer's to report when it creates the file.
        if (::lstat(candidate.c_str(), &st) != 0) return candidate;
    }
}

std::vector<std::string> removeDeadTemporaries(const std::string& hostFolder) {
    // "<name>.tmp-<pid>-<n>-<r>", perhaps with a writer's ".XXXXXX" after it.
    static const std::regex temporary(R"(\.tmp-([0-9]{1,9})-[0-9]+-[0-9]+(\.[A-Za-z0-9]{6})?$)");
    std::vector<std::string> problems;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(hostFolder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::smatch match;
        if (!std::regex_search(name, match, temporary) || !it->is_regular_file(ec)) continue;
        const auto pid = static_cast<pid_t>(std::stol(match[1].str()));
        if (pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH) continue;  // its writer may still finish it
        if (::unlink(it->path().c_str()) != 0 && errno != ENOENT) {
            problems.push_back(it->path().string() + ": " + std::strerror(errno));
        }
    }
    return problems;
}

bool flushAhead(const std::string& temporaryPath, std::string* error) {
    const int fd = ::open(temporaryPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return true;
    // A failure must count: a later fsync may no longer report it.
    const bool ok = ::fsync(fd) == 0;
    if (!ok) setError(error, "Cannot flush", temporaryPath);
    ::close(fd);
    return ok;
}

bool commitTemporary(const std::string& temporaryPath, const std::string& hostPath,
                     std::string* error) {
    int fd = ::open(temporaryPath.c_str(), O_RDWR | O_CLOEXEC);
    if (fd >= 0) copyMode(fd, hostPath);
    bool ok = fd >= 0 && ::fsync(fd) == 0;
    if (!ok) setError(error, "Cannot flush", temporaryPath);
    if (fd >= 0) ::close(fd);
    if (ok && ::rename(temporaryPath.c_str(), hostPath.c_str()) != 0) {
        setError(error, "Cannot replace", hostPath);
        ok = false;
    }
    if (!ok) {
        ::unlink(temporaryPath.c_str());
        return false;
    }
    syncFolder(hostPath);
    return true;
}

bool syncFileSystemOf(const std::string& hostPath) {
    const int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
#ifdef __linux__
    const bool ok = ::syncfs(fd) == 0;
#else
    ::sync();
    const bool ok = true;
#endif
    ::close(fd);
    return ok;
}

bool writeFileAtomically(const std::string& hostPath, std::string_view contents,
                         std::string* error, const MayReplace& mayReplace) {
    std::string temp = temporaryPathBeside(hostPath);
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        setError(error, "Cannot create", temp);
        return false;
    }
    copyMode(fd, hostPath);
    bool ok = writeAll(fd, contents) && ::fsync(fd) == 0;
    if (!ok) setError(error, "Cannot write", temp);
    if (::close(fd) != 0 && ok) {
        setError(error, "Cannot write", temp);
        ok = false;
    }
    std::string reason;
    if (ok && mayReplace && !mayReplace(&reason)) {
        if (error) *error = reason;
        ok = false;
    } else if (ok && ::rename(temp.c_str(), hostPath.c_str()) != 0) {
        setError(error, "Cannot replace", hostPath);
        ok = false;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    syncFolder(hostPath);
    return true;
}

FileLock::FileLock(const std::string& lockPath, std::chrono::milliseconds limit) {
    int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return;
    const auto start = std::chrono::steady_clock::now();
    int rc;
    for (;;) {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
        if (rc == 0 || (errno != EWOULDBLOCK && errno != EINTR)) break;
        const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        if (waited >= limit) {
            busy_ = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (rc != 0) {
        ::close(fd);
        return;
    }
    fd_ = fd;
}

FileLock::~FileLock() {
    if (fd_ < 0) return;
    ::flock(static_cast<int>(fd_), LOCK_UN);
    ::close(static_cast<int>(fd_));
}

}  // namespace platform

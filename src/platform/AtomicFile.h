#pragma once
// Replacing a file so that readers see either the old or the new contents,
// never a mix: write a temporary file in the same folder, flush it to disk,
// then rename it over the target.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Called just before the finished file replaces the target; false (with
// the reason) keeps the target as it is.
using MayReplace = std::function<bool(std::string* reason)>;

// Writes `contents` to `hostPath` atomically. False (target untouched) on failure;
// `error` then says why.
bool writeFileAtomically(const std::string& hostPath, std::string_view contents,
                         std::string* error = nullptr, const MayReplace& mayReplace = {});

// A unique, not yet existing temporary path beside `hostPath` (same folder),
// for writers that stream into it before committing with commitTemporary().
std::string temporaryPathBeside(const std::string& hostPath);
// Removes from `hostFolder` the temporary files (and a writer's own
// temporaries beside them) that temporaryPathBeside named for processes no
// longer alive: a writer killed half-way leaves them, and only it could have
// finished them. Returns what could not be removed, each "<path>: <why>".
std::vector<std::string> removeDeadTemporaries(const std::string& hostFolder);
// Flushes a finished temporary file to disk ahead of commitTemporary, so
// that the wait for the disk can overlap other work and the commit has
// little left to flush. False only when the flush itself failed (`error`
// says why); a file that cannot be opened for it is left to the commit.
bool flushAhead(const std::string& temporaryPath, std::string* error = nullptr);
// Flushes the finished temporary file, gives it the permissions of the file
// it replaces, renames it over `hostPath` and flushes the folder, so the
// replacement survives a power cut.
bool commitTemporary(const std::string& temporaryPath, const std::string& hostPath,
                     std::string* error = nullptr);

// Flushes everything written to the file system that holds `hostPath`: one
// flush for a folder of many new files, before it takes another's place.
bool syncFileSystemOf(const std::string& hostPath);

// Holds an exclusive advisory lock on `lockPath` (created when missing) for
// its lifetime; used around read-modify-write of shared files. Waits at most
// `limit` for another holder to let go.
class FileLock {
public:
    explicit FileLock(const std::string& lockPath,
                      std::chrono::milliseconds limit = std::chrono::milliseconds::max());
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool locked() const { return fd_ >= 0; }
    // Not locked because another holder kept the lock past the limit (rather
    // than because the lock file could not be opened).
    bool busy() const { return busy_; }

private:
    std::intptr_t fd_ = -1;  // the file descriptor, or on Windows the handle
    bool busy_ = false;
};

}  // namespace platform

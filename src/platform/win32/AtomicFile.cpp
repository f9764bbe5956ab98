#include "platform/AtomicFile.h"

#include <windows.h>

#include <atomic>
#include <random>
#include <regex>
#include <thread>

#include "platform/FsPath.h"
#include "platform/ProcessIds.h"
#include "platform/win32/WideText.h"

namespace platform {

namespace {

void setError(std::string* error, const std::string& what, const std::string& path) {
    if (error) *error = what + " \"" + path + "\": " + systemErrorText(GetLastError());
}

bool writeAll(HANDLE file, std::string_view contents) {
    while (!contents.empty()) {
        const DWORD chunk = static_cast<DWORD>(contents.size() > 0x40000000u ? 0x40000000u : contents.size());
        DWORD written = 0;
        if (!WriteFile(file, contents.data(), chunk, &written, nullptr) || written == 0) return false;
        contents.remove_prefix(written);
    }
    return true;
}

// The replacement takes the place of the target at once, and the rename
// itself is on disk before the call returns.
bool replaceWith(const std::string& temporaryPath, const std::string& hostPath) {
    return MoveFileExW(wide(temporaryPath).c_str(), wide(hostPath).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool flushFile(const std::string& path) {
    HANDLE file = CreateFileW(wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok = FlushFileBuffers(file) != 0;
    CloseHandle(file);
    return ok;
}

}  // namespace

std::string temporaryPathBeside(const std::string& hostPath) {
    static std::atomic<unsigned> counter{0};
    std::random_device rd;
    for (;;) {
        std::string candidate = hostPath + ".tmp-" + std::to_string(currentProcessId()) + "-" +
                                std::to_string(counter++) + "-" + std::to_string(rd() % 100000);
        // Only a name that is taken asks for another; any other answer (no
        // such folder, no access) is the writer's to report when it creates
        // the file, never a reason to try names for ever.
        if (GetFileAttributesW(wide(candidate).c_str()) == INVALID_FILE_ATTRIBUTES) return candidate;
    }
}

std::vector<std::string> removeDeadTemporaries(const std::string& hostFolder) {
    // "<name>.tmp-<pid>-<n>-<r>", perhaps with a writer's ".XXXXXX" after it.
    static const std::regex temporary(R"(\.tmp-([0-9]{1,9})-[0-9]+-[0-9]+(\.[A-Za-z0-9]{6})?$)");
    std::vector<std::string> problems;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(fsPath(hostFolder), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = pathText(it->path().filename());
        std::smatch match;
        if (!std::regex_search(name, match, temporary) || !it->is_regular_file(ec)) continue;
        const long pid = std::stol(match[1].str());
        if (pid == currentProcessId() || processIsAlive(pid)) continue;  // its writer may still finish it
        const std::string path = pathText(it->path());
        if (!DeleteFileW(wide(path).c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
            problems.push_back(path + ": " + systemErrorText(GetLastError()));
        }
    }
    return problems;
}

bool flushAhead(const std::string& temporaryPath, std::string* error) {
    // Readers may have the file open meanwhile.
    HANDLE file = CreateFileW(wide(temporaryPath).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return true;
    const bool ok = FlushFileBuffers(file) != 0;
    if (!ok) setError(error, "Cannot flush", temporaryPath);
    CloseHandle(file);
    return ok;
}

bool commitTemporary(const std::string& temporaryPath, const std::string& hostPath, std::string* error) {
    bool ok = flushFile(temporaryPath);
    if (!ok) setError(error, "Cannot flush", temporaryPath);
    if (ok && !replaceWith(temporaryPath, hostPath)) {
        setError(error, "Cannot replace", hostPath);
        ok = false;
    }
    if (!ok) DeleteFileW(wide(temporaryPath).c_str());
    return ok;
}

bool syncFileSystemOf(const std::string& hostPath) {
    // Windows flushes a volume only for administrators; each file the
    // program replaces is flushed itself before it takes its place.
    return GetFileAttributesW(wide(hostPath).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool writeFileAtomically(const std::string& hostPath, std::string_view contents, std::string* error,
                         const MayReplace& mayReplace) {
    const std::string temp = temporaryPathBeside(hostPath);
    HANDLE file = CreateFileW(wide(temp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        setError(error, "Cannot create", temp);
        return false;
    }
    bool ok = writeAll(file, contents) && FlushFileBuffers(file);
    if (!ok) setError(error, "Cannot write", temp);
    CloseHandle(file);
    std::string reason;
    if (ok && mayReplace && !mayReplace(&reason)) {
        if (error) *error = reason;
        ok = false;
    } else if (ok && !replaceWith(temp, hostPath)) {
        setError(error, "Cannot replace", hostPath);
        ok = false;
    }
    if (!ok) DeleteFileW(wide(temp).c_str());
    return ok;
}

FileLock::FileLock(const std::string& lockPath, std::chrono::milliseconds limit) {
    HANDLE file = CreateFileW(wide(lockPath).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        OVERLAPPED whole{};
        if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole)) break;
        const DWORD code = GetLastError();
        const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        if (code != ERROR_LOCK_VIOLATION && code != ERROR_IO_PENDING) {
            CloseHandle(file);
            return;
        }
        if (waited >= limit) {
            busy_ = true;
            CloseHandle(file);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    fd_ = reinterpret_cast<std::intptr_t>(file);
}

FileLock::~FileLock() {
    if (fd_ < 0) return;
    HANDLE file = reinterpret_cast<HANDLE>(fd_);
    OVERLAPPED whole{};
    UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
    CloseHandle(file);
}

}  // namespace platform

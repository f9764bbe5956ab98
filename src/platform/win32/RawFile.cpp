#include "platform/RawFile.h"

#include <windows.h>

#include "platform/win32/WideText.h"

namespace platform {

namespace {

HANDLE handleOf(std::intptr_t fd) { return reinterpret_cast<HANDLE>(fd); }

// Seconds since 1970 of a file time (100 ns steps since 1601).
std::int64_t unixSeconds(const FILETIME& t) {
    const std::uint64_t ticks = (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    return static_cast<std::int64_t>(ticks / 10000000ULL) - 11644473600LL;
}

OVERLAPPED at(std::uint64_t offset) {
    OVERLAPPED o{};
    o.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    o.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return o;
}

}  // namespace

std::optional<FileFacts> fileFacts(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(wide(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    const bool folder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    const bool readOnly = data.dwFileAttributes & FILE_ATTRIBUTE_READONLY;
    // The POSIX mode a zip entry carries: a plain file or folder, read-only or not.
    const std::uint32_t mode = folder ? 040755u : (readOnly ? 0100444u : 0100644u);
    const std::uint64_t size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return FileFacts{size, unixSeconds(data.ftLastWriteTime), mode};
}

NewFile createNewFile(const std::string& path) {
    HANDLE h = CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS ? NewFile::Exists : NewFile::Failed;
    CloseHandle(h);
    return NewFile::Created;
}

RawFile::~RawFile() { close(); }

bool RawFile::openForReading(const std::string& path) {
    HANDLE h = CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    fd_ = reinterpret_cast<std::intptr_t>(h);
    errno_ = h == INVALID_HANDLE_VALUE ? static_cast<long>(GetLastError()) : 0;
    return h != INVALID_HANDLE_VALUE;
}

bool RawFile::create(const std::string& path) {
    HANDLE h = CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    fd_ = reinterpret_cast<std::intptr_t>(h);
    errno_ = h == INVALID_HANDLE_VALUE ? static_cast<long>(GetLastError()) : 0;
    return h != INVALID_HANDLE_VALUE;
}

long long RawFile::readAt(std::uint64_t offset, char* data, std::size_t size) {
    OVERLAPPED o = at(offset);
    DWORD read = 0;
    const DWORD wanted = static_cast<DWORD>(size > 0x40000000u ? 0x40000000u : size);
    if (!ReadFile(handleOf(fd_), data, wanted, &read, &o)) {
        const DWORD code = GetLastError();
        if (code == ERROR_HANDLE_EOF) return 0;
        errno_ = static_cast<long>(code);
        return -1;
    }
    return read;
}

// Writes all of `data`, at the end of what was written or, when given, at `offset`.
bool RawFile::writeFully(const char* data, std::size_t size, std::optional<std::uint64_t> offset) {
    for (std::size_t done = 0; done < size;) {
        const DWORD chunk = static_cast<DWORD>(size - done > 0x40000000u ? 0x40000000u : size - done);
        DWORD written = 0;
        BOOL ok;
        if (offset) {
            OVERLAPPED o = at(*offset + done);
            ok = WriteFile(handleOf(fd_), data + done, chunk, &written, &o);
        } else {
            ok = WriteFile(handleOf(fd_), data + done, chunk, &written, nullptr);
        }
        if (!ok) {
            errno_ = static_cast<long>(GetLastError());
            return false;
        }
        done += written;
    }
    return true;
}

bool RawFile::append(const char* data, std::size_t size) {
    // A positioned write moves the file pointer too: appends go to the end.
    LARGE_INTEGER zero{};
    if (!SetFilePointerEx(handleOf(fd_), zero, nullptr, FILE_END)) {
        errno_ = static_cast<long>(GetLastError());
        return false;
    }
    return writeFully(data, size, std::nullopt);
}

bool RawFile::writeAt(std::uint64_t offset, const char* data, std::size_t size) {
    return writeFully(data, size, offset);
}

bool RawFile::truncate(std::uint64_t size) {
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFilePointerEx(handleOf(fd_), at, nullptr, FILE_BEGIN) || !SetEndOfFile(handleOf(fd_))) {
        errno_ = static_cast<long>(GetLastError());
        return false;
    }
    return true;
}

bool RawFile::close() {
    HANDLE h = handleOf(fd_);
    fd_ = -1;
    if (h != INVALID_HANDLE_VALUE && !CloseHandle(h)) {
        errno_ = static_cast<long>(GetLastError());
        return false;
    }
    return true;
}

std::string RawFile::error() const { return systemErrorText(static_cast<unsigned long>(errno_)); }

}  // namespace platform

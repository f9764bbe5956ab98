#pragma once
// Plain files read and written by offset, for the archive writers that
// stream many files on several threads: no stream objects, errors as text.

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

struct FileFacts {
    std::uint64_t size = 0;
    std::int64_t mtime = 0;  // seconds since 1970
    std::uint32_t mode = 0;  // POSIX st_mode
};
// What the file system says of the file at `path`; nothing when it cannot.
std::optional<FileFacts> fileFacts(const std::string& path);

enum class NewFile { Created, Exists, Failed };
// Creates an empty file that must not exist yet: two callers never share it.
NewFile createNewFile(const std::string& path);

class RawFile {
public:
    RawFile() = default;
    ~RawFile();
    RawFile(const RawFile&) = delete;
    RawFile& operator=(const RawFile&) = delete;

    bool openForReading(const std::string& path);
    // Created, or emptied when it exists.
    bool create(const std::string& path);
    // Up to `size` bytes from `offset`: the count read (0 at the end), or -1.
    long long readAt(std::uint64_t offset, char* data, std::size_t size);
    // All `size` bytes from `offset`; false when they cannot be had (a file
    // that ends before them too).
    bool readExactly(std::uint64_t offset, char* data, std::size_t size) {
        for (std::size_t at = 0; at < size;) {
            const long long n = readAt(offset + at, data + at, size - at);
            if (n <= 0) return false;
            at += static_cast<std::size_t>(n);
        }
        return true;
    }
    bool append(const char* data, std::size_t size);
    bool writeAt(std::uint64_t offset, const char* data, std::size_t size);
    // Cuts the file to `size` bytes; appends go on from there.
    bool truncate(std::uint64_t size);
    bool close();
    // Why the last call failed.
    std::string error() const;

private:
    bool writeFully(const char* data, std::size_t size, std::optional<std::uint64_t> offset);

    std::intptr_t fd_ = -1;  // the file descriptor, or on Windows the handle
    long errno_ = 0;         // errno, or on Windows GetLastError()
};

}  // namespace platform

#include "platform/RawFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

std::optional<FileFacts> fileFacts(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileFacts{static_cast<std::uint64_t>(st.st_size), st.st_mtime, st.st_mode};
}

NewFile createNewFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return errno == EEXIST ? NewFile::Exists : NewFile::Failed;
    ::close(fd);
    return NewFile::Created;
}

RawFile::~RawFile() {
    if (fd_ >= 0) ::close(static_cast<int>(fd_));
}

bool RawFile::openForReading(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    errno_ = fd_ < 0 ? errno : 0;
    return fd_ >= 0;
}

bool RawFile::create(const std::string& path) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    errno_ = fd_ < 0 ? errno : 0;
    return fd_ >= 0;
}

long long RawFile::readAt(std::uint64_t offset, char* data, std::size_t size) {
    for (;;) {
        const ssize_t n = ::pread(static_cast<int>(fd_), data, size, static_cast<off_t>(offset));
        if (n >= 0) return n;
        if (errno != EINTR) {
            errno_ = errno;
            return -1;
        }
    }
}

// Writes all of `data`, at the file's position or, when given, at `offset`.
bool RawFile::writeFully(const char* data, std::size_t size, std::optional<std::uint64_t> offset) {
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = offset ? ::pwrite(static_cast<int>(fd_), data + done, size - done, static_cast<off_t>(*offset + done))
                                 : ::write(static_cast<int>(fd_), data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            errno_ = errno;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool RawFile::append(const char* data, std::size_t size) { return writeFully(data, size, std::nullopt); }

bool RawFile::writeAt(std::uint64_t offset, const char* data, std::size_t size) {
    return writeFully(data, size, offset);
}

bool RawFile::truncate(std::uint64_t size) {
    const int fd = static_cast<int>(fd_);
    if (::ftruncate(fd, static_cast<off_t>(size)) != 0 || ::lseek(fd, 0, SEEK_END) < 0) {
        errno_ = errno;
        return false;
    }
    return true;
}

bool RawFile::close() {
    const int fd = static_cast<int>(fd_);
    fd_ = -1;
    if (fd >= 0 && ::close(fd) != 0) {
        errno_ = errno;
        return false;
    }
    return true;
}

std::string RawFile::error() const { return std::strerror(static_cast<int>(errno_)); }

}  // namespace platform

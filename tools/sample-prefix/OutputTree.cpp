#include "OutputTree.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace sample {

namespace {

constexpr std::size_t kStreamBuffer = 1 << 20;

std::runtime_error failure(const std::string& what, const std::string& path, int error) {
    return std::runtime_error("cannot " + what + " " + path + ": " + std::strerror(error));
}

std::string folderOf(const std::string& relativePath) {
    auto slash = relativePath.rfind('/');
    return slash == std::string::npos ? std::string() : relativePath.substr(0, slash);
}

}  // namespace

void OutputTree::makeFolder(const std::string& relativePath) {
    if (relativePath.empty() || relativePath == lastFolder_) return;
    std::error_code ec;
    std::filesystem::create_directories(root_ / relativePath, ec);
    if (ec) throw failure("create folder", (root_ / relativePath).string(), ec.value());
    lastFolder_ = relativePath;
}

int OutputTree::openForWrite(const std::string& relativePath) {
    makeFolder(folderOf(relativePath));
    std::string host = (root_ / relativePath).string();
    int fd = ::open(host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw failure("create", host, errno);
    ++files_;
    return fd;
}

void OutputTree::writeAll(int fd, std::string_view data, const std::string& relativePath) {
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            int error = n < 0 ? errno : EIO;
            throw failure("write", (root_ / relativePath).string(), error);
        }
        data.remove_prefix(static_cast<std::size_t>(n));
        bytes_ += static_cast<std::uint64_t>(n);
    }
}

void OutputTree::closeFile(int fd, const std::string& relativePath) {
    if (::close(fd) != 0) throw failure("close", (root_ / relativePath).string(), errno);
}

void OutputTree::writeFile(const std::string& relativePath, std::string_view contents) {
    int fd = openForWrite(relativePath);
    try {
        writeAll(fd, contents, relativePath);
    } catch (...) {
        ::close(fd);
        throw;
    }
    closeFile(fd, relativePath);
}

void OutputTree::makeSymlink(const std::string& target, const std::string& relativePath) {
    makeFolder(folderOf(relativePath));
    std::error_code ec;
    std::filesystem::create_symlink(target, root_ / relativePath, ec);
    if (ec) throw failure("create link", (root_ / relativePath).string(), ec.value());
}

OutputTree::Stream::Stream(OutputTree& tree, const std::string& relativePath)
    : tree_(tree), path_(relativePath), fd_(tree.openForWrite(relativePath)) {
    buffer_.reserve(kStreamBuffer);
}

OutputTree::Stream::~Stream() {
    if (fd_ >= 0) ::close(fd_);
}

void OutputTree::Stream::finish() {
    drain();
    int fd = fd_;
    fd_ = -1;
    tree_.closeFile(fd, path_);
}

void OutputTree::Stream::append(std::string_view data) {
    buffer_.append(data);
    if (buffer_.size() >= kStreamBuffer) drain();
}

void OutputTree::Stream::drain() {
    tree_.writeAll(fd_, buffer_, path_);
    written_ += buffer_.size();
    buffer_.clear();
}

}  // namespace sample

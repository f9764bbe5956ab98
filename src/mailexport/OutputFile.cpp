#include "mailexport/OutputFile.h"

#include <chrono>
#include <filesystem>

#include "platform/Folders.h"
#include "platform/FsPath.h"

namespace mailexport {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kWriteSize = 1 << 20;

void setModified(const std::string& path, std::int64_t seconds) {
    std::error_code ec;
    const auto when = std::chrono::system_clock::from_time_t(static_cast<std::time_t>(seconds));
    fs::last_write_time(platform::fsPath(path), std::chrono::file_clock::from_sys(when), ec);
}

}  // namespace

OutputFile::~OutputFile() {
    if (open_) abandon();
}

bool OutputFile::fail(const std::string& what) {
    error_ = "cannot " + what + " \"" + final_ + "\": " + file_.error();
    return false;
}

bool OutputFile::open(const std::string& stagingPath, const std::string& finalPath) {
    staging_ = stagingPath;
    final_ = finalPath;
    pending_.clear();
    flushed_ = longest_ = 0;
    error_.clear();
    open_ = file_.create(staging_);
    return open_ || fail("write");
}

bool OutputFile::flush() {
    if (pending_.empty()) return true;
    if (!file_.writeAt(flushed_, pending_.data(), pending_.size())) return fail("write");
    flushed_ += pending_.size();
    longest_ = std::max(longest_, flushed_);
    pending_.clear();
    return true;
}

bool OutputFile::write(std::string_view bytes) {
    pending_.append(bytes);
    return pending_.size() < kWriteSize || flush();
}

void OutputFile::cutBackTo(std::uint64_t size) {
    if (size >= flushed_) {
        pending_.resize(static_cast<std::size_t>(size - flushed_));
        return;
    }
    pending_.clear();
    flushed_ = size;
}

bool OutputFile::commit(std::optional<std::int64_t> modified) {
    if (!flush()) return false;
    if (!file_.close()) return fail("write");
    open_ = false;
    std::error_code ec;
    // Bytes of a message dropped after they reached the disk.
    if (longest_ > flushed_) fs::resize_file(platform::fsPath(staging_), flushed_, ec);
    if (ec) {
        error_ = "cannot write \"" + final_ + "\": " + ec.message();
    } else {
        switch (platform::moveWithoutReplacing(staging_, final_)) {
            case platform::Placed::Done:
                if (modified) setModified(final_, *modified);
                return true;
            case platform::Placed::Exists: error_ = "\"" + final_ + "\" exists already; it is left as it is"; break;
            case platform::Placed::Failed: error_ = "cannot make \"" + final_ + "\""; break;
        }
    }
    fs::remove(platform::fsPath(staging_), ec);
    return false;
}

void OutputFile::abandon() {
    if (open_) file_.close();
    open_ = false;
    std::error_code ec;
    fs::remove(platform::fsPath(staging_), ec);
}

}  // namespace mailexport

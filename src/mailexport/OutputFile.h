#pragma once
// A file the export makes. It is written in the run's staging folder, on
// the target's file system, and moved to its name only once complete, never
// over a file or folder that has that name: an export adds, it overwrites
// nothing, and what it could not finish is not left looking finished.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/RawFile.h"

namespace mailexport {

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Starts a file that will be `finalPath`, written at `stagingPath`.
    bool open(const std::string& stagingPath, const std::string& finalPath);
    bool write(std::string_view bytes);
    // Bytes written so far.
    std::uint64_t size() const { return flushed_ + pending_.size(); }
    // Drops what was written after `size` (a message that could not be read whole).
    void cutBackTo(std::uint64_t size);
    // Puts the file in place, with `modified` as its time when given.
    bool commit(std::optional<std::int64_t> modified = std::nullopt);
    // Removes what was written; nothing takes the final name.
    void abandon();

    const std::string& finalPath() const { return final_; }
    const std::string& error() const { return error_; }

private:
    bool flush();
    bool fail(const std::string& what);

    platform::RawFile file_;
    std::string staging_, final_;
    std::string pending_;  // written in large pieces
    std::uint64_t flushed_ = 0;
    std::uint64_t longest_ = 0;  // how far the file on disk reaches
    bool open_ = false;
    std::string error_;
};

}  // namespace mailexport

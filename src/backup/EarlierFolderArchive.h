#pragma once
// A folder archive of an earlier backup, as a source of deflated data: a
// file that has not changed since is copied from it into the new folder
// archive as it is, instead of being compressed again. Shared by the
// pipeline's workers, which read it side by side.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "backup/DeflateChunks.h"
#include "platform/RawFile.h"

namespace backup {

// An entry that may be copied: deflated, not encrypted.
struct ReusableEntry {
    std::uint64_t localOffset = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    std::uint32_t dosTime = 0;
};

class EarlierFolderArchive {
public:
    // The folder archive lying at [base, base + length) of `path`; nothing,
    // with the reason, when its directory cannot be read.
    static std::shared_ptr<EarlierFolderArchive> Open(const std::string& path, std::uint64_t base,
                                                      std::uint64_t length, std::string* why);

    // The entry of that name, when it may be copied.
    const ReusableEntry* find(std::string_view name) const;
    enum class Read { Done, OtherName, Unsound };
    // The entry's deflated bytes into `out`. OtherName: the entry found by
    // the name's number holds another file; Unsound: its bytes cannot be had.
    Read readDeflated(const ReusableEntry& entry, std::string_view name, Bytes& out) const;
    // The same for [offset, offset + length) of the entry's deflated bytes.
    Read readDeflatedRange(const ReusableEntry& entry, std::string_view name, std::uint64_t offset,
                           std::uint64_t length, Bytes& out) const;

    // Copied data that did not inflate to the file: nothing more is taken
    // from this archive, and the first reason is kept for the log.
    void markDamaged(const std::string& why);
    bool damaged() const { return damaged_; }
    std::string damage() const;
    const std::string& path() const { return path_; }

private:
    EarlierFolderArchive() = default;

    std::string path_;
    std::uint64_t base_ = 0, length_ = 0;
    mutable platform::RawFile file_;  // read by offset only, so several threads share it
    std::vector<std::pair<std::uint64_t, ReusableEntry>> entries_;  // by the hash of the name
    std::atomic<bool> damaged_{false};
    mutable std::mutex mutex_;
    std::string damage_;
};

// Member `name` is unchanged when the file read now, `raw`, is the one the
// earlier entry holds: same size and CRC-32, and the earlier deflated bytes,
// put in `deflated`, inflate to exactly these bytes (unless `provenLater`:
// see PipelineFile). A damaged entry marks the archive so; false leaves
// `deflated` empty.
bool CopyUnchanged(EarlierFolderArchive& earlier, const ReusableEntry& entry, std::string_view name,
                   const char* raw, std::uint64_t size, std::uint32_t crc, bool provenLater, Bytes& deflated,
                   Decompressor& inflater, Bytes& scratch);

// Whether the file at `path` still holds what `entry` holds, by its size
// and CRC-32: read through once, for a file too large to compare in memory.
bool FileMatchesEntry(const std::string& path, const ReusableEntry& entry);

}  // namespace backup

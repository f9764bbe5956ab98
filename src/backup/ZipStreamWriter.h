#pragma once
// A plain zip file written front to back: each member's local header, its
// deflated bytes as the pipeline delivers them, and at the end the central
// directory (Zip64 where sizes, offsets or the count need it). Folder
// archives hold one member per file of a mail folder, hundreds of
// thousands for a large store, so per member it keeps only the few numbers
// the central directory needs; the names come back from the caller.
// A backup is written the same way, its folder archives going straight
// into it as stored members, each written by a writer nested in it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "backup/DeflatePipeline.h"

namespace platform {
class RawFile;
}

namespace backup {

// A moment as a zip entry's DOS date and time (local time, two-second steps).
std::uint32_t DosTime(std::int64_t unixSeconds);

class ZipStreamWriter {
public:
    ZipStreamWriter();
    // An archive written as the data of the stored member `outer` has begun
    // (beginStored): its offsets count from that member's first byte.
    explicit ZipStreamWriter(ZipStreamWriter& outer);
    ~ZipStreamWriter();
    ZipStreamWriter(const ZipStreamWriter&) = delete;
    ZipStreamWriter& operator=(const ZipStreamWriter&) = delete;

    // Its errors name it `shownAs`, when given.
    bool create(const std::string& path, const std::string& shownAs = {});
    // Takes the member's pieces from the pipeline until its last one.
    bool addMember(std::string_view name, DeflatePipeline& pipeline);
    // A member kept as it is, whose bytes come through a nested writer until
    // endStored. `plannedSize` bounds its size, for the header's Zip64 choice.
    bool beginStored(std::string_view name, std::int64_t mtime, std::uint32_t mode, std::uint64_t plannedSize);
    bool endStored(std::string_view name);
    // Forgets the member begun: the next one is written where it began.
    bool abandonStored();
    // A file kept as it is, read whole now.
    bool addStoredFile(std::string_view name, const std::string& path);
    // The central directory: entry `entryAt(i)`, named `nameAt(i)`, for i
    // below `count`; `entryAt` orders the members as the caller planned them.
    bool finish(std::size_t count, const std::function<std::size_t(std::size_t)>& entryAt,
                const std::function<std::string_view(std::size_t)>& nameAt);
    // The same with the members in the order they were written.
    bool finish(const std::function<std::string_view(std::size_t)>& nameAt);
    std::size_t memberCount() const { return entries_.size(); }
    const std::string& error() const { return error_; }

private:
    struct Entry {
        std::uint64_t offset, compressedSize, size;
        std::uint32_t crc, dosTime, externalAttributes;
        std::uint16_t method, flags;
        bool zip64Local;
    };
    bool fail(const std::string& why);
    bool writeAll(const char* data, std::size_t size);
    bool write(const char* data, std::size_t size);
    bool write(const std::string& bytes);
    // Rewrites `before`, written at `at`, as `after` (of the same length).
    bool patch(std::uint64_t at, const std::string& before, const std::string& after);
    bool flush();
    std::uint64_t position() const;
    std::string localHeader(std::string_view name, const Entry& e) const;
    std::string centralRecord(std::string_view name, const Entry& e) const;
    std::string endRecords(std::uint64_t directoryAt, std::uint64_t directorySize) const;

    ZipStreamWriter* outer_ = nullptr;  // a nested writer's archive
    std::uint64_t base_ = 0;           // where in the outer one it begins
    std::unique_ptr<platform::RawFile> file_;
    std::string path_;
    // The stored member begun: its entry, where its data begins, and the
    // CRC-32 of the data written so far (kept right through patches).
    bool storing_ = false;
    Entry stored_{};
    std::uint64_t storedData_ = 0;
    std::uint32_t storedCrc_ = 0;
    std::string storedHeader_;
    std::string buffer_;
    std::uint64_t flushed_ = 0;  // file offset of buffer_'s first byte
    std::vector<Entry> entries_;
    std::string error_;
};

}  // namespace backup

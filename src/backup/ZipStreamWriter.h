#pragma once
// A plain zip file written front to back: each member's local header, its
// deflated bytes as the pipeline delivers them, and at the end the central
// directory (Zip64 where sizes, offsets or the count need it). Folder
// archives hold one member per file of a mail folder, hundreds of
// thousands for a large store, so per member it keeps only the few numbers
// the central directory needs; the names come back from the caller.

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
    ~ZipStreamWriter();
    ZipStreamWriter(const ZipStreamWriter&) = delete;
    ZipStreamWriter& operator=(const ZipStreamWriter&) = delete;

    bool create(const std::string& path);
    // Takes the member's pieces from the pipeline until its last one.
    bool addMember(std::string_view name, DeflatePipeline& pipeline);
    // `nameAt(i)` gives member i's name again for the central directory.
    bool finish(const std::function<std::string_view(std::size_t)>& nameAt);
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
    bool patch(std::uint64_t at, const std::string& bytes);
    bool flush();
    std::string localHeader(std::string_view name, const Entry& e) const;
    std::string centralRecord(std::string_view name, const Entry& e) const;
    std::string endRecords(std::uint64_t directoryAt, std::uint64_t directorySize) const;

    std::unique_ptr<platform::RawFile> file_;
    std::string path_;
    std::string buffer_;
    std::uint64_t flushed_ = 0;  // file offset of buffer_'s first byte
    std::vector<Entry> entries_;
    std::string error_;
};

}  // namespace backup

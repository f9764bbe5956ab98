#include "backup/ZipStreamWriter.h"

#include <memory>

#include "config/OperationTime.h"
#include "platform/RawFile.h"

namespace backup {

namespace {

constexpr std::size_t kBufferSize = 1 << 20;
constexpr std::uint32_t k32 = 0xFFFFFFFFu;
// A file this large may not fit a 32-bit size once compressed, so its
// local header carries Zip64 sizes from the start.
constexpr std::uint64_t kZip64Planned = 0xFFFF0000ull;
constexpr std::uint16_t kUtf8Names = 1u << 11;
constexpr std::uint16_t kMadeByUnix = (3u << 8) | 63u;

void put16(std::string& s, std::uint64_t v) {
    for (int i = 0; i < 2; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void put32(std::string& s, std::uint64_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void put64(std::string& s, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

bool isAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

}  // namespace

std::uint32_t DosTime(std::int64_t unixSeconds) {
    const platform::CivilTime t = config::DateTime::fromUtcSeconds(unixSeconds).fields();
    if (t.year < 1980) return (1u << 21) | (1u << 16);  // 1980-01-01
    return static_cast<std::uint32_t>(((t.year - 1980) << 25) | (t.month << 21) | (t.day << 16) | (t.hour << 11) |
                                      (t.minute << 5) | (t.second / 2));
}

ZipStreamWriter::ZipStreamWriter() = default;
ZipStreamWriter::ZipStreamWriter(ZipStreamWriter& outer) : outer_(&outer), base_(outer.position()) {}
ZipStreamWriter::~ZipStreamWriter() = default;

bool ZipStreamWriter::fail(const std::string& why) {
    if (error_.empty()) error_ = why;
    return false;
}

bool ZipStreamWriter::create(const std::string& path, const std::string& shownAs) {
    path_ = shownAs.empty() ? path : shownAs;
    file_ = std::make_unique<platform::RawFile>();
    if (!file_->create(path)) return fail("cannot create the archive \"" + path_ + "\": " + file_->error());
    buffer_.reserve(kBufferSize);
    return true;
}

std::uint64_t ZipStreamWriter::position() const {
    return outer_ ? outer_->position() - base_ : flushed_ + buffer_.size();
}

bool ZipStreamWriter::writeAll(const char* data, std::size_t size) {
    if (!file_->append(data, size)) return fail("cannot write the archive \"" + path_ + "\": " + file_->error());
    flushed_ += size;
    return true;
}

bool ZipStreamWriter::flush() {
    if (outer_) return true;
    const bool ok = writeAll(buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok;
}

bool ZipStreamWriter::write(const char* data, std::size_t size) {
    if (outer_) return outer_->write(data, size) || fail(outer_->error());
    if (storing_) storedCrc_ = Crc32(storedCrc_, data, size);
    if (buffer_.size() + size > kBufferSize && !flush()) return false;
    if (size >= kBufferSize) return writeAll(data, size);
    buffer_.append(data, size);
    return true;
}

bool ZipStreamWriter::write(const std::string& bytes) { return write(bytes.data(), bytes.size()); }

// Rewrites bytes already written, in the buffer or in the file. Inside a
// stored member the CRC follows: the CRC of data differing from what it
// summed only by `before` ^ `after` at one place differs by that
// difference's CRC (less that of as many zeros), moved on over the bytes
// after it.
bool ZipStreamWriter::patch(std::uint64_t at, const std::string& before, const std::string& after) {
    if (outer_) return outer_->patch(base_ + at, before, after) || fail(outer_->error());
    if (storing_ && at >= storedData_) {
        std::string difference(before.size(), '\0');
        for (std::size_t i = 0; i < difference.size(); ++i) difference[i] = static_cast<char>(before[i] ^ after[i]);
        const std::string zeros(before.size(), '\0');
        const std::uint32_t change = Crc32(0, difference.data(), difference.size()) ^ Crc32(0, zeros.data(), zeros.size());
        storedCrc_ ^= Crc32Combine(change, 0, position() - at - after.size());
    }
    if (at >= flushed_) {
        buffer_.replace(at - flushed_, after.size(), after);
        return true;
    }
    if (!flush()) return false;
    if (!file_->writeAt(at, after.data(), after.size())) {
        return fail("cannot write the archive \"" + path_ + "\": " + file_->error());
    }
    return true;
}

std::string ZipStreamWriter::localHeader(std::string_view name, const Entry& e) const {
    std::string h;
    put32(h, 0x04034b50);
    put16(h, e.zip64Local ? 45 : 20);
    put16(h, e.flags);
    put16(h, e.method);
    put32(h, e.dosTime);
    put32(h, e.crc);
    put32(h, e.zip64Local ? k32 : e.compressedSize);
    put32(h, e.zip64Local ? k32 : e.size);
    put16(h, name.size());
    put16(h, e.zip64Local ? 20 : 0);
    h.append(name);
    if (e.zip64Local) {
        put16(h, 0x0001);
        put16(h, 16);
        put64(h, e.size);
        put64(h, e.compressedSize);
    }
    return h;
}

bool ZipStreamWriter::addMember(std::string_view name, DeflatePipeline& pipeline) {
    DeflatedPiece piece = pipeline.next();
    const PipelineFile file = piece.file;
    const bool folder = file.path.empty();
    Entry e{position(), 0, 0, 0, DosTime(file.mtime), 0, 0, 0, file.size >= kZip64Planned};
    e.method = folder ? 0 : 8;
    e.flags = isAscii(name) ? 0 : kUtf8Names;
    e.externalAttributes = folder ? ((040755u << 16) | 0x10u) : (file.mode << 16);
    // A file in one piece gets its header complete; a chunked one gets it
    // first and its sizes patched in at the end (same length either way).
    MemberSum sum;
    bool headerWritten = false, placeholder = false;
    std::string header;
    for (;;) {
        if (!piece.error.empty()) return fail(piece.error);
        sum.add(piece);
        e.crc = sum.crc;
        e.size = sum.size;
        e.compressedSize += piece.bytes.size();
        if (!headerWritten) {
            placeholder = !piece.last;
            header = localHeader(name, e);
            if (!write(header)) return false;
            headerWritten = true;
        }
        if (!write(piece.bytes.data(), piece.bytes.size())) return false;
        pipeline.recycle(std::move(piece.bytes));
        if (piece.last) break;
        piece = pipeline.next();
    }
    if (!e.zip64Local && (e.size >= k32 || e.compressedSize >= k32)) {
        return fail("the file \"" + file.path + "\" grew past 4 GB while it was packed");
    }
    if (placeholder && !patch(e.offset, header, localHeader(name, e))) return false;
    entries_.push_back(e);
    return true;
}

bool ZipStreamWriter::beginStored(std::string_view name, std::int64_t mtime, std::uint32_t mode,
                                  std::uint64_t plannedSize) {
    stored_ = Entry{position(), 0, 0, 0, DosTime(mtime), mode << 16, 0, 0, plannedSize >= kZip64Planned};
    stored_.flags = isAscii(name) ? 0 : kUtf8Names;
    storedHeader_ = localHeader(name, stored_);
    if (!write(storedHeader_)) return false;
    storing_ = true;
    storedData_ = position();
    storedCrc_ = 0;
    return true;
}

bool ZipStreamWriter::endStored(std::string_view name) {
    storing_ = false;
    Entry e = stored_;
    e.crc = storedCrc_;
    e.size = e.compressedSize = position() - storedData_;
    if (!e.zip64Local && e.size >= k32) return fail("the member \"" + std::string(name) + "\" grew past 4 GB");
    if (!patch(e.offset, storedHeader_, localHeader(name, e))) return false;
    entries_.push_back(e);
    return true;
}

bool ZipStreamWriter::abandonStored() {
    storing_ = false;
    const std::uint64_t at = stored_.offset;
    if (at >= flushed_) {
        buffer_.resize(at - flushed_);
        return true;
    }
    buffer_.clear();
    if (!file_->truncate(at)) return fail("cannot write the archive \"" + path_ + "\": " + file_->error());
    flushed_ = at;
    return true;
}

bool ZipStreamWriter::addStoredFile(std::string_view name, const std::string& path) {
    const auto facts = platform::fileFacts(path);
    platform::RawFile file;
    if (!facts || !file.openForReading(path)) return fail("the file \"" + path + "\" cannot be read: " + file.error());
    if (!beginStored(name, facts->mtime, facts->mode, facts->size)) return false;
    const auto chunk = std::make_unique_for_overwrite<char[]>(kBufferSize);
    for (std::uint64_t at = 0;;) {
        const long long n = file.readAt(at, chunk.get(), kBufferSize);
        if (n < 0) return fail("the file \"" + path + "\" cannot be read: " + file.error());
        if (n == 0) break;
        if (!write(chunk.get(), static_cast<std::size_t>(n))) return false;
        at += static_cast<std::uint64_t>(n);
    }
    return endStored(name);
}

std::string ZipStreamWriter::centralRecord(std::string_view name, const Entry& e) const {
    std::string extra;
    if (e.size >= k32) put64(extra, e.size);
    if (e.compressedSize >= k32) put64(extra, e.compressedSize);
    if (e.offset >= k32) put64(extra, e.offset);
    std::string r;
    put32(r, 0x02014b50);
    put16(r, kMadeByUnix);
    put16(r, extra.empty() ? 20 : 45);
    put16(r, e.flags);
    put16(r, e.method);
    put32(r, e.dosTime);
    put32(r, e.crc);
    put32(r, std::min<std::uint64_t>(e.compressedSize, k32));
    put32(r, std::min<std::uint64_t>(e.size, k32));
    put16(r, name.size());
    put16(r, extra.empty() ? 0 : extra.size() + 4);
    put16(r, 0);  // comment
    put16(r, 0);  // disk
    put16(r, 0);  // internal attributes
    put32(r, e.externalAttributes);
    put32(r, std::min<std::uint64_t>(e.offset, k32));
    r.append(name);
    if (!extra.empty()) {
        put16(r, 0x0001);
        put16(r, extra.size());
        r += extra;
    }
    return r;
}

std::string ZipStreamWriter::endRecords(std::uint64_t directoryAt, std::uint64_t directorySize) const {
    const std::uint64_t count = entries_.size();
    const bool zip64 = count >= 0xFFFF || directoryAt >= k32 || directorySize >= k32;
    std::string r;
    if (zip64) {
        const std::uint64_t recordAt = directoryAt + directorySize;
        put32(r, 0x06064b50);
        put64(r, 44);
        put16(r, kMadeByUnix);
        put16(r, 45);
        put32(r, 0);
        put32(r, 0);
        put64(r, count);
        put64(r, count);
        put64(r, directorySize);
        put64(r, directoryAt);
        put32(r, 0x07064b50);
        put32(r, 0);
        put64(r, recordAt);
        put32(r, 1);
    }
    put32(r, 0x06054b50);
    put16(r, 0);
    put16(r, 0);
    put16(r, zip64 ? 0xFFFF : count);
    put16(r, zip64 ? 0xFFFF : count);
    put32(r, zip64 ? k32 : directorySize);
    put32(r, zip64 ? k32 : directoryAt);
    put16(r, 0);
    return r;
}

bool ZipStreamWriter::finish(std::size_t count, const std::function<std::size_t(std::size_t)>& entryAt,
                             const std::function<std::string_view(std::size_t)>& nameAt) {
    if (count != entries_.size()) return fail("the archive holds " + std::to_string(entries_.size()) +
                                              " members instead of " + std::to_string(count));
    const std::uint64_t directoryAt = position();
    for (std::size_t i = 0; i < count; ++i) {
        if (!write(centralRecord(nameAt(i), entries_[entryAt(i)]))) return false;
    }
    const std::uint64_t directorySize = position() - directoryAt;
    if (!write(endRecords(directoryAt, directorySize)) || !flush()) return false;
    if (file_ && !file_->close()) return fail("cannot write the archive \"" + path_ + "\": " + file_->error());
    return true;
}

bool ZipStreamWriter::finish(const std::function<std::string_view(std::size_t)>& nameAt) {
    return finish(entries_.size(), [](std::size_t i) { return i; }, nameAt);
}

}  // namespace backup

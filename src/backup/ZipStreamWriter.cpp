#include "backup/ZipStreamWriter.h"

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
ZipStreamWriter::~ZipStreamWriter() = default;

bool ZipStreamWriter::fail(const std::string& why) {
    if (error_.empty()) error_ = why;
    return false;
}

bool ZipStreamWriter::create(const std::string& path) {
    path_ = path;
    file_ = std::make_unique<platform::RawFile>();
    if (!file_->create(path)) return fail("cannot create the archive \"" + path + "\": " + file_->error());
    buffer_.reserve(kBufferSize);
    return true;
}

bool ZipStreamWriter::writeAll(const char* data, std::size_t size) {
    if (!file_->append(data, size)) return fail("cannot write the archive \"" + path_ + "\": " + file_->error());
    flushed_ += size;
    return true;
}

bool ZipStreamWriter::flush() {
    const bool ok = writeAll(buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok;
}

bool ZipStreamWriter::write(const char* data, std::size_t size) {
    if (buffer_.size() + size > kBufferSize && !flush()) return false;
    if (size >= kBufferSize) return writeAll(data, size);
    buffer_.append(data, size);
    return true;
}

bool ZipStreamWriter::write(const std::string& bytes) { return write(bytes.data(), bytes.size()); }

// Rewrites bytes already written, in the buffer or in the file.
bool ZipStreamWriter::patch(std::uint64_t at, const std::string& bytes) {
    if (at >= flushed_) {
        buffer_.replace(at - flushed_, bytes.size(), bytes);
        return true;
    }
    if (!flush()) return false;
    if (!file_->writeAt(at, bytes.data(), bytes.size())) {
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
    Entry e{flushed_ + buffer_.size(), 0, 0, 0, DosTime(file.mtime), 0, 0, 0, file.size >= kZip64Planned};
    e.method = folder ? 0 : 8;
    e.flags = isAscii(name) ? 0 : kUtf8Names;
    e.externalAttributes = folder ? ((040755u << 16) | 0x10u) : (file.mode << 16);
    // A file in one piece gets its header complete; a chunked one gets it
    // first and its sizes patched in at the end (same length either way).
    MemberSum sum;
    bool headerWritten = false, placeholder = false;
    for (;;) {
        if (!piece.error.empty()) return fail(piece.error);
        sum.add(piece);
        e.crc = sum.crc;
        e.size = sum.size;
        e.compressedSize += piece.bytes.size();
        if (!headerWritten) {
            placeholder = !piece.last;
            if (!write(localHeader(name, e))) return false;
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
    if (placeholder && !patch(e.offset, localHeader(name, e))) return false;
    entries_.push_back(e);
    return true;
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

bool ZipStreamWriter::finish(const std::function<std::string_view(std::size_t)>& nameAt) {
    const std::uint64_t directoryAt = flushed_ + buffer_.size();
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (!write(centralRecord(nameAt(i), entries_[i]))) return false;
    }
    const std::uint64_t directorySize = flushed_ + buffer_.size() - directoryAt;
    if (!write(endRecords(directoryAt, directorySize)) || !flush()) return false;
    if (!file_->close()) return fail("cannot write the archive \"" + path_ + "\": " + file_->error());
    return true;
}

}  // namespace backup

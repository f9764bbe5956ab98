#include "backup/DeflatePipeline.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "backup/DeflateChunks.h"
#include "backup/EarlierFolderArchive.h"
#include "platform/Cores.h"
#include "platform/RawFile.h"

namespace backup {

namespace {

// Bounds on the work done ahead of the writer: raw bytes in flight, a chunk
// for each worker and one more, and units (many small files are cheap in
// bytes but not in bookkeeping). That keeps the cores busy; more would only
// hold memory once the writer sets the pace, as when most files are copied.
std::uint64_t bytesAheadFor(std::size_t workers) { return DeflatePipeline::kChunk * (workers + 1); }
constexpr std::uint64_t kUnitsAhead = 1024;
// A copy costs no compression: ahead of the writer it only smooths the
// writer's pace, so its bytes count once for each chunk of the bound and
// copies alone stay a chunk ahead. Counted once, several MB of copies waited
// for the writer, and the memory they held stayed with the process when a
// large file's compression followed them.
std::uint64_t copyWeightFor(std::size_t workers) { return bytesAheadFor(workers) / DeflatePipeline::kChunk; }
// A file that may be copied from an earlier archive is read in one unit up
// to this size, so that its CRC is known before anything of it is written;
// a larger one is cut into chunks and compressed as any other.
constexpr std::uint64_t kCopiedWhole = DeflatePipeline::kChunk;
// Buffers kept for reuse, and the pieces given them.
constexpr std::uint64_t kSpareAtLeast = 1 << 20;
// A verified copy is read in pieces this large: reading costs nothing
// like compressing, and small pieces keep little in memory.
constexpr std::uint64_t kCopyPiece = kSpareAtLeast;

// The buffer for the raw bytes of a worker's units, kept from unit to unit
// and never zero-filled: a fresh 4 MiB one for each unit would fault in
// page by page every time.
struct RawBuffer {
    std::unique_ptr<char[]> data;
    std::size_t capacity = 0;
    void ensure(std::size_t size) {
        if (size <= capacity) return;
        data.reset();  // what it held is not kept: the old and the new are never both held
        data = std::make_unique_for_overwrite<char[]>(size);
        capacity = size;
    }
};

// Reads up to `size` bytes at `offset` into `into`: the count read (short
// only at the end of the file), or -1.
long long readFully(platform::RawFile& file, std::uint64_t offset, char* into, std::size_t size) {
    std::size_t at = 0;
    while (at < size) {
        const long long n = file.readAt(offset + at, into + at, size - at);
        if (n < 0) return -1;
        if (n == 0) break;
        at += static_cast<std::size_t>(n);
    }
    return static_cast<long long>(at);
}

// Reads [offset, offset + length), and on to the end of the file when
// `toEnd`: a file that grew since it was planned is read whole, one that
// shrank gives what it holds. The count read, or -1.
long long readRange(platform::RawFile& file, std::uint64_t offset, std::uint64_t length, bool toEnd, RawBuffer& out) {
    std::size_t at = 0, wanted = length + (toEnd ? 1 : 0);  // one byte more shows growth
    out.ensure(wanted);
    for (;;) {
        const long long n = readFully(file, offset + at, out.data.get() + at, wanted - at);
        if (n < 0) return -1;
        at += static_cast<std::size_t>(n);
        if (at < wanted || !toEnd) return static_cast<long long>(at);
        RawBuffer grown;
        grown.ensure(2 * wanted);
        std::memcpy(grown.data.get(), out.data.get(), at);
        out = std::move(grown);
        wanted = out.capacity;
    }
}

}  // namespace

struct DeflatePipeline::Worker {
    Compressor compressor;
    RawBuffer raw;
    Decompressor inflater;  // proves what is copied from an earlier archive
    Bytes inflated;
};

void MemberSum::add(std::uint32_t pieceCrc, std::uint64_t pieceSize) {
    crc = Crc32Combine(crc, pieceCrc, pieceSize);  // from 0 it gives the piece's own CRC
    size += pieceSize;
}

DeflatePipeline::DeflatePipeline(std::size_t count, std::function<PipelineFile(std::size_t)> fileAt, int level)
    : count_(count), fileAt_(std::move(fileAt)), level_(level), workerCount_(platform::coreCount()) {
    for (std::size_t i = 0; i < workerCount_; ++i) workers_.emplace_back([this] { work(); });
}

DeflatePipeline::~DeflatePipeline() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    room_.notify_all();
    for (auto& w : workers_) w.join();
}

bool DeflatePipeline::claim(Unit& unit) {
    if (!haveCurrent_) {
        if (member_ == count_) return false;
        current_ = fileAt_(member_++);
        haveCurrent_ = true;
        offset_ = 0;
    }
    // A verified copy is cut by its earlier deflated bytes, anything else by the file.
    const std::uint64_t extent = current_.verified ? current_.reuse->compressedSize : current_.size;
    const std::uint64_t step = current_.verified ? kCopyPiece : kChunk;
    const bool whole = current_.reuse && !current_.verified && current_.size <= kCopiedWhole;
    const bool last = current_.path.empty() || whole || extent <= offset_ + step;
    const std::uint64_t length = last ? extent - std::min(extent, offset_) : step;
    // A piece of a copy counts as the raw bytes it stands for, as any other
    // piece does: counted by its deflated bytes, copies would hold several
    // times the memory that compression holds ahead of the writer.
    const std::uint64_t raw = current_.verified && current_.reuse->compressedSize != 0
                                  ? length * std::max(current_.reuse->size, current_.reuse->compressedSize) /
                                        current_.reuse->compressedSize
                                  : length;
    const bool mayCopy = current_.verified || whole;  // a larger file not verified is compressed
    const std::uint64_t weight = mayCopy ? raw * copyWeightFor(workerCount_) : raw;
    unit = Unit{nextUnit_++, current_, offset_, length, weight, last};
    bytesAhead_ += weight;
    offset_ += step;
    if (last) haveCurrent_ = false;
    return true;
}

void DeflatePipeline::work() {
    Worker worker;
    for (;;) {
        Unit unit;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            room_.wait(lock, [this] {
                const bool idle = nextUnit_ == consumed_;  // the writer waits for this one
                const bool room = bytesAhead_ < bytesAheadFor(workerCount_) && nextUnit_ - consumed_ < kUnitsAhead;
                return stopping_ || idle || room;
            });
            if (stopping_ || !claim(unit)) return;
        }
        DeflatedPiece piece = produce(unit, worker);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_.emplace(unit.index, Done{std::move(piece), unit.weight});
        }
        ready_.notify_all();
    }
}

DeflatedPiece DeflatePipeline::produce(const Unit& unit, Worker& worker) {
    DeflatedPiece piece;
    piece.file = unit.file;
    piece.last = unit.last;
    if (unit.file.path.empty()) return piece;
    if (unit.file.verified) return copyVerified(unit, spareBytes(unit.length));
    piece.bytes = spareBytes(unit.length);
    platform::RawFile file;
    RawBuffer& raw = worker.raw;
    const long long size =
        file.openForReading(unit.file.path) ? readRange(file, unit.offset, unit.length, unit.last, raw) : -1;
    if (size < 0) {
        piece.error = "the file \"" + unit.file.path + "\" cannot be read: " + file.error();
        return piece;
    }
    piece.rawSize = static_cast<std::uint64_t>(size);
    piece.crc = Crc32(0, raw.data.get(), piece.rawSize);
    // A file in one piece that is still what the earlier archive holds.
    if (unit.file.reuse && unit.offset == 0 && unit.last &&
        CopyUnchanged(*unit.file.earlier, *unit.file.reuse, unit.file.name, raw.data.get(), piece.rawSize, piece.crc,
                      unit.file.provenLater, piece.bytes, worker.inflater, worker.inflated)) {
        piece.copied = true;
        return piece;
    }
    if (!AppendDeflated(piece.bytes, raw.data.get(), piece.rawSize, unit.file.store ? 0 : level_, unit.last,
                        worker.compressor)) {
        piece.error = "no compressor could be made";
    }
    return piece;
}

// The member's whole CRC and size come with its last piece, so that the sum
// over the pieces is the entry's.
DeflatedPiece DeflatePipeline::copyVerified(const Unit& unit, Bytes bytes) {
    DeflatedPiece piece;
    piece.file = unit.file;
    piece.last = unit.last;
    piece.bytes = std::move(bytes);
    piece.copied = true;
    const ReusableEntry& entry = *unit.file.reuse;
    if (unit.file.earlier->readDeflatedRange(entry, unit.file.name, unit.offset, unit.length, piece.bytes) !=
        EarlierFolderArchive::Read::Done) {
        const std::string why = "its member \"" + std::string(unit.file.name) + "\" cannot be read";
        unit.file.earlier->markDamaged(why);
        piece.error = "the earlier backup's copy of \"" + std::string(unit.file.name) + "\" cannot be read";
        return piece;
    }
    if (unit.last) {
        piece.crc = entry.crc;
        piece.rawSize = entry.size;
    }
    return piece;
}

Bytes DeflatePipeline::spareBytes(std::uint64_t length) {
    if (length < kSpareAtLeast) return {};  // a small piece in a large buffer would hold it all
    std::lock_guard<std::mutex> lock(mutex_);
    if (spares_.empty()) return {};
    Bytes bytes = std::move(spares_.back());
    spares_.pop_back();
    return bytes;
}

void DeflatePipeline::recycle(Bytes&& bytes) {
    if (bytes.capacity() < kSpareAtLeast) return;  // small ones cost nothing to make anew
    bytes.clear();
    std::lock_guard<std::mutex> lock(mutex_);
    if (spares_.size() < workerCount_ + 2) spares_.push_back(std::move(bytes));
}

DeflatedPiece DeflatePipeline::next() {
    std::unique_lock<std::mutex> lock(mutex_);
    const std::uint64_t wanted = consumed_;
    room_.notify_all();  // a worker may wait for the writer to want this unit
    ready_.wait(lock, [&] { return done_.count(wanted) != 0; });
    auto node = done_.extract(wanted);
    DeflatedPiece piece = std::move(node.mapped().piece);
    ++consumed_;
    bytesAhead_ -= node.mapped().accounted;
    if (firstError_.empty()) firstError_ = piece.error;
    if (piece.last && !piece.file.path.empty()) ++(piece.copied ? copied_ : compressed_);
    lock.unlock();
    room_.notify_all();
    return piece;
}

std::string DeflatePipeline::firstError() {
    std::lock_guard<std::mutex> lock(mutex_);
    return firstError_;
}

}  // namespace backup

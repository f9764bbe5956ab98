#include "backup/DeflatePipeline.h"

#include <algorithm>

#include "backup/DeflateChunks.h"
#include "platform/Cores.h"
#include "platform/RawFile.h"

namespace backup {

namespace {

// Bounds on the work done ahead of the writer: raw bytes in flight, and
// units (many small files are cheap in bytes but not in bookkeeping).
constexpr std::uint64_t kBytesAhead = 16ULL << 20;
constexpr std::uint64_t kUnitsAhead = 1024;

// Reads [offset, offset + length), and on to the end of the file when
// `toEnd`: a file that grew since it was planned is read whole, one that
// shrank gives what it holds.
bool readRange(platform::RawFile& file, std::uint64_t offset, std::uint64_t length, bool toEnd, std::string& out) {
    out.resize(length + (toEnd ? 1 : 0));
    std::size_t at = 0;
    for (;;) {
        if (at == out.size()) {
            if (!toEnd) return true;
            out.resize(out.size() + std::max<std::size_t>(out.size(), 1 << 16));
        }
        const long long n = file.readAt(offset + at, out.data() + at, out.size() - at);
        if (n < 0) return false;
        if (n == 0) {
            out.resize(at);
            return true;
        }
        at += static_cast<std::size_t>(n);
    }
}

}  // namespace

void MemberSum::add(const DeflatedPiece& piece) {
    crc = Crc32Combine(crc, piece.crc, piece.rawSize);  // from 0 it gives the piece's own CRC
    size += piece.rawSize;
}

DeflatePipeline::DeflatePipeline(std::size_t count, std::function<PipelineFile(std::size_t)> fileAt, int level)
    : count_(count), fileAt_(std::move(fileAt)), level_(level) {
    for (std::size_t i = 0; i < platform::coreCount(); ++i) workers_.emplace_back([this] { work(); });
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
    const bool last = current_.path.empty() || current_.size <= offset_ + kChunk;
    const std::uint64_t length = last ? current_.size - std::min(current_.size, offset_) : kChunk;
    unit = Unit{nextUnit_++, current_, offset_, length, last};
    bytesAhead_ += length;
    offset_ += kChunk;
    if (last) haveCurrent_ = false;
    return true;
}

void DeflatePipeline::work() {
    for (;;) {
        Unit unit;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            room_.wait(lock, [this] {
                const bool idle = nextUnit_ == consumed_;  // the writer waits for this one
                return stopping_ || idle || (bytesAhead_ < kBytesAhead && nextUnit_ - consumed_ < kUnitsAhead);
            });
            if (stopping_ || !claim(unit)) return;
        }
        DeflatedPiece piece = produce(unit);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_.emplace(unit.index, Done{std::move(piece), unit.length});
        }
        ready_.notify_all();
    }
}

DeflatedPiece DeflatePipeline::produce(const Unit& unit) const {
    DeflatedPiece piece;
    piece.file = unit.file;
    piece.last = unit.last;
    if (unit.file.path.empty()) return piece;
    platform::RawFile file;
    std::string raw;
    if (!file.openForReading(unit.file.path) || !readRange(file, unit.offset, unit.length, unit.last, raw)) {
        piece.error = "the file \"" + unit.file.path + "\" cannot be read: " + file.error();
        return piece;
    }
    piece.rawSize = raw.size();
    piece.crc = Crc32(0, raw.data(), raw.size());
    if (!AppendDeflated(piece.bytes, raw.data(), raw.size(), unit.file.store ? 0 : level_, unit.last)) {
        piece.error = "no compressor could be made";
    }
    return piece;
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
    lock.unlock();
    room_.notify_all();
    return piece;
}

std::string DeflatePipeline::firstError() {
    std::lock_guard<std::mutex> lock(mutex_);
    return firstError_;
}

}  // namespace backup

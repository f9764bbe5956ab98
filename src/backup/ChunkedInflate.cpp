#include "backup/ChunkedInflate.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "backup/DeflateChunks.h"
#include "backup/DeflatePipeline.h"

namespace backup {

namespace {

// What ends every chunk but the last: an empty stored block's length and
// its complement, on a byte boundary.
constexpr std::string_view kChunkEnd("\0\0\xFF\xFF", 4);
// A final empty block with fixed codes, put after a chunk's bytes so that
// it inflates as a stream of its own.
constexpr char kFinalBlock[2] = {'\x03', '\0'};
// A chunk holds at most this much, and deflates to little more at worst;
// so a buffer of this size always has room for the next whole chunk once
// the ones before it are taken.
constexpr std::size_t kOutput = DeflatePipeline::kChunk + (64 << 10);
constexpr std::size_t kInput = kOutput;
constexpr std::size_t kPiece = 1 << 20;

}  // namespace

class ChunkInflater {
public:
    ChunkInflater() : out_(std::make_unique_for_overwrite<char[]>(kOutput)) {}
    bool ready() { return inflater_.get() != nullptr; }
    void reset() {
        size_ = 0;
        crc_ = 0;
    }
    // Inflates `bytes` as one whole stream, with kFinalBlock after them when
    // `open` (the two bytes there are put back afterwards), adding the
    // output to the sums.
    bool take(char* bytes, std::size_t length, bool open) {
        char after[sizeof kFinalBlock];
        if (open) {
            std::memcpy(after, bytes + length, sizeof after);
            std::memcpy(bytes + length, kFinalBlock, sizeof kFinalBlock);
        }
        const std::size_t total = length + (open ? sizeof kFinalBlock : 0);
        std::size_t used = 0, written = 0;
        const auto result =
            libdeflate_deflate_decompress_ex(inflater_.get(), bytes, total, out_.get(), kOutput, &used, &written);
        if (open) std::memcpy(bytes + length, after, sizeof after);
        if (result != LIBDEFLATE_SUCCESS || used != total) return false;
        crc_ = Crc32(crc_, out_.get(), written);
        size_ += written;
        return true;
    }
    // The length of the chunk at the start of `bytes` when it ends there
    // with an empty stored block and inflates on its own; 0 when none does.
    // A marker inside compressed data ends no chunk and is passed over.
    std::size_t takeChunk(char* bytes, std::size_t held) {
        const std::string_view seen(bytes, held);
        for (std::size_t at = 0; (at = seen.find(kChunkEnd, at)) != std::string_view::npos; ++at) {
            if (take(bytes, at + kChunkEnd.size(), true)) return at + kChunkEnd.size();
        }
        return 0;
    }
    std::uint64_t size() const { return size_; }
    std::uint32_t crc() const { return crc_; }

private:
    Decompressor inflater_;
    std::unique_ptr<char[]> out_;
    std::uint64_t size_ = 0;
    std::uint32_t crc_ = 0;
};

ChunkedInflate::ChunkedInflate() = default;
ChunkedInflate::~ChunkedInflate() = default;

void ChunkedInflate::reset(std::uint64_t size, std::uint32_t crc) {
    if (chunks_) chunks_->reset();
    held_ = 0;
    size_ = size;
    crc_ = crc;
    failed_ = false;
}

bool ChunkedInflate::feed(const char* data, std::size_t size) {
    if (!chunks_) {
        chunks_ = std::make_unique<ChunkInflater>();
        // Room for the final block after the longest piece.
        buffer_ = std::make_unique_for_overwrite<char[]>(kInput + sizeof kFinalBlock);
    }
    while (!failed_ && size > 0) {
        // A full buffer holds a whole chunk, unless the stream was not cut in chunks.
        if (held_ == kInput) failed_ = !takeChunks() || chunks_->size() > size_;
        const std::size_t n = std::min(size, kInput - held_);
        std::memcpy(buffer_.get() + held_, data, n);
        held_ += n;
        data += n;
        size -= n;
    }
    return !failed_ && chunks_->ready();
}

// Takes the whole chunks held and moves what follows them to the front;
// false when there was none.
bool ChunkedInflate::takeChunks() {
    std::size_t begin = 0;
    while (const std::size_t length = chunks_->takeChunk(buffer_.get() + begin, held_ - begin)) begin += length;
    std::memmove(buffer_.get(), buffer_.get() + begin, held_ - begin);
    held_ -= begin;
    return begin > 0;
}

bool ChunkedInflate::finish() {
    if (failed_ || !chunks_ || !chunks_->ready()) return false;
    takeChunks();
    // The last chunk ends the stream itself: a stream cut after a chunk has no end.
    if (held_ == 0 || !chunks_->take(buffer_.get(), held_, false)) return false;
    return chunks_->size() == size_ && chunks_->crc() == crc_;
}

bool InflatesInChunks(const StreamRead& read, std::uint64_t size, std::uint32_t crc) {
    ChunkedInflate chunks;
    chunks.reset(size, crc);
    const auto piece = std::make_unique_for_overwrite<char[]>(kPiece);
    for (;;) {
        const long long n = read(piece.get(), kPiece);
        if (n < 0) return false;
        if (n == 0) return chunks.finish();
        if (!chunks.feed(piece.get(), static_cast<std::size_t>(n))) return false;
    }
}

}  // namespace backup

#include "backup/ChunkedInflate.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>
#include <memory>
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
// A chunk holds at most this much, and deflates to little more at worst.
constexpr std::size_t kOutput = DeflatePipeline::kChunk + (64 << 10);
constexpr std::size_t kInput = 2 * DeflatePipeline::kChunk;

class ChunkInflater {
public:
    ChunkInflater() : out_(std::make_unique_for_overwrite<char[]>(kOutput)) {}
    bool ready() { return inflater_.get() != nullptr; }
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
    std::uint64_t size() const { return size_; }
    std::uint32_t crc() const { return crc_; }

private:
    Decompressor inflater_;
    std::unique_ptr<char[]> out_;
    std::uint64_t size_ = 0;
    std::uint32_t crc_ = 0;
};

// The length of the chunk at the start of `bytes` when it ends there with
// an empty stored block and inflates on its own; 0 when none does. A marker
// inside compressed data ends no chunk and is passed over.
std::size_t takeChunk(ChunkInflater& chunks, char* bytes, std::size_t held) {
    const std::string_view seen(bytes, held);
    for (std::size_t at = 0; (at = seen.find(kChunkEnd, at)) != std::string_view::npos; ++at) {
        if (chunks.take(bytes, at + kChunkEnd.size(), true)) return at + kChunkEnd.size();
    }
    return 0;
}

}  // namespace

bool InflatesInChunks(const StreamRead& read, std::uint64_t size, std::uint32_t crc) {
    ChunkInflater chunks;
    if (!chunks.ready()) return false;
    // Room for the final block after the longest piece.
    const auto buffer = std::make_unique_for_overwrite<char[]>(kInput + sizeof kFinalBlock);
    std::size_t begin = 0, held = 0;
    bool ended = false;
    for (;;) {
        if (const std::size_t length = takeChunk(chunks, buffer.get() + begin, held - begin)) {
            begin += length;
            if (chunks.size() > size) return false;
            continue;
        }
        if (ended) break;
        if (begin == 0 && held == kInput) return false;  // longer than any chunk the writer makes
        std::memmove(buffer.get(), buffer.get() + begin, held - begin);
        held -= begin;
        begin = 0;
        while (!ended && held < kInput) {
            const long long n = read(buffer.get() + held, kInput - held);
            if (n < 0) return false;
            ended = n == 0;
            held += static_cast<std::size_t>(n);
        }
    }
    // The last chunk ends the stream itself.
    if (held > begin && !chunks.take(buffer.get() + begin, held - begin, false)) return false;
    return chunks.size() == size && chunks.crc() == crc;
}

}  // namespace backup

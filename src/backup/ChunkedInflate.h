#pragma once
// A large member's deflate stream inflated piece by piece with libdeflate
// instead of streamed through zlib: the program's own writer cuts a large
// file into chunks compressed apart, each ending on a byte with an empty
// stored block, so each piece inflates on its own. Only a success counts:
// a stream cut otherwise, or damaged, is left to the streaming check.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace backup {

class ChunkInflater;

// The stream given as it comes. Its buffers (about 8 MiB) are made at the
// first bytes and kept for the next stream.
class ChunkedInflate {
public:
    ChunkedInflate();
    ~ChunkedInflate();
    ChunkedInflate(const ChunkedInflate&) = delete;
    ChunkedInflate& operator=(const ChunkedInflate&) = delete;

    // Ready for a new stream, which must inflate to exactly `size` bytes
    // with CRC-32 `crc`.
    void reset(std::uint64_t size, std::uint32_t crc);
    // The next bytes of the stream; false once it cannot be shown whole this way.
    bool feed(const char* data, std::size_t size);
    // After the last bytes: true when the stream inflated whole, as it must.
    bool finish();

private:
    bool takeChunks();

    std::unique_ptr<ChunkInflater> chunks_;
    std::unique_ptr<char[]> buffer_;
    std::size_t held_ = 0;
    std::uint64_t size_ = 0;
    std::uint32_t crc_ = 0;
    bool failed_ = false;
};

// Reads up to `size` more of the stream into `into`: the count (0 at its
// end), or -1.
using StreamRead = std::function<long long(char* into, std::size_t size)>;

// True when the raw deflate stream `read` gives inflates whole, to exactly
// `size` bytes with CRC-32 `crc`; false when that could not be shown this way.
bool InflatesInChunks(const StreamRead& read, std::uint64_t size, std::uint32_t crc);

}  // namespace backup

#pragma once
// A large member's deflate stream inflated piece by piece with libdeflate
// instead of streamed through zlib: the program's own writer cuts a large
// file into chunks compressed apart, each ending on a byte with an empty
// stored block, so each piece inflates on its own. Only a success counts:
// a stream cut otherwise, or damaged, is left to the streaming check.

#include <cstddef>
#include <cstdint>
#include <functional>

namespace backup {

// Reads up to `size` more of the stream into `into`: the count (0 at its
// end), or -1.
using StreamRead = std::function<long long(char* into, std::size_t size)>;

// True when the raw deflate stream `read` gives inflates whole, to exactly
// `size` bytes with CRC-32 `crc`; false when that could not be shown this way.
bool InflatesInChunks(const StreamRead& read, std::uint64_t size, std::uint32_t crc);

}  // namespace backup

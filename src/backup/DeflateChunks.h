#pragma once
// Raw deflate pieces that join into one stream: a member cut into chunks is
// compressed chunk by chunk on several cores, and the pieces, written one
// after the other, inflate to the whole file. Only the last piece ends the
// stream; the others end on a byte boundary with an empty stored block.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct libdeflate_compressor;
struct libdeflate_decompressor;

namespace backup {

// An allocator whose new elements are left as they are instead of being
// zeroed: the buffers below are filled right after they grow, and zeroing
// megabytes first costs as much as the copying they exist to save.
template <class T>
struct UninitializedAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = UninitializedAllocator<U>;
    };
    UninitializedAllocator() = default;
    template <class U>
    UninitializedAllocator(const UninitializedAllocator<U>&) noexcept {}
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

// Deflated bytes of a member piece.
using Bytes = std::vector<char, UninitializedAllocator<char>>;

// Appends `size` bytes at once: insert() copies them one by one into a
// vector with this allocator, which costs as much as inflating them.
inline void AppendBytes(Bytes& out, const char* data, std::size_t size) {
    if (size == 0) return;
    const std::size_t at = out.size();
    out.resize(at + size);
    std::memcpy(out.data() + at, data, size);
}

// A compressor kept for the pieces one thread deflates: making one costs more
// than a small file. Each worker owns its own (and no thread-local object
// does: their destructors are not reliable on every system the program runs on).
class Compressor {
public:
    Compressor() = default;
    ~Compressor();
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;
    libdeflate_compressor* at(int level);

private:
    libdeflate_compressor* compressor_ = nullptr;
    int level_ = -1;
};

// The same for inflating, one per thread.
class Decompressor {
public:
    Decompressor() = default;
    ~Decompressor();
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;
    libdeflate_decompressor* get();

private:
    libdeflate_decompressor* decompressor_ = nullptr;
};

// Inflates the whole raw deflate stream `data` into `out`, which it must
// fill exactly; false when it is not such a stream.
bool InflateExactly(const char* data, std::size_t size, char* out, std::size_t outSize, Decompressor& decompressor);

// Appends the deflated `data` to `out` (libdeflate at `level`, 1-12; 0
// writes stored blocks). A piece that is not `last` leaves the stream open.
// False only when the compressor cannot be made.
bool AppendDeflated(Bytes& out, const char* data, std::size_t size, int level, bool last, Compressor& compressor);

// The CRC-32 of zip, continued from `crc` (0 to start).
std::uint32_t Crc32(std::uint32_t crc, const char* data, std::size_t size);
// The CRC-32 of two pieces joined, from each one's CRC and the second's size.
std::uint32_t Crc32Combine(std::uint32_t first, std::uint32_t second, std::uint64_t secondSize);

}  // namespace backup

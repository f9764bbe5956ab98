#include "backup/DeflateChunks.h"

#include <libdeflate.h>

#include "backup/DeflateWalk.h"

namespace backup {

namespace {

constexpr std::size_t kStoredBlockMax = 65535;

void appendStored(Bytes& out, const char* data, std::size_t size, bool last) {
    do {
        const std::size_t n = size < kStoredBlockMax ? size : kStoredBlockMax;
        const bool final = last && n == size;
        const char header[5] = {static_cast<char>(final ? 1 : 0), static_cast<char>(n & 0xFF),
                                static_cast<char>(n >> 8), static_cast<char>(~n & 0xFF),
                                static_cast<char>((~n >> 8) & 0xFF)};
        AppendBytes(out, header, sizeof header);
        AppendBytes(out, data, n);
        data += n;
        size -= n;
    } while (size > 0);
}

// Turns a complete stream into an open one: the final block no longer ends
// it, and an empty stored block pads it to a whole byte.
void leaveOpen(Bytes& out, std::size_t start, const FinalBlock& block) {
    auto* bytes = reinterpret_cast<unsigned char*>(out.data() + start);
    bytes[block.headerBit / 8] &= static_cast<unsigned char>(~(1u << (block.headerBit % 8)));
    const unsigned used = block.endBit % 8;
    std::size_t length = (block.endBit + 7) / 8;
    if (used != 0) bytes[length - 1] &= static_cast<unsigned char>((1u << used) - 1);
    out.resize(start + length);
    // Three header bits of the stored block fit in the last byte or need one more.
    if (used == 0 || used > 5) out.push_back('\0');
    const char empty[] = {'\0', '\0', '\xFF', '\xFF'};
    AppendBytes(out, empty, sizeof empty);
}

}  // namespace

Compressor::~Compressor() {
    if (compressor_) libdeflate_free_compressor(compressor_);
}

libdeflate_compressor* Compressor::at(int level) {
    if (level_ != level) {
        if (compressor_) libdeflate_free_compressor(compressor_);
        compressor_ = libdeflate_alloc_compressor(level);
        level_ = compressor_ ? level : -1;
    }
    return compressor_;
}

bool AppendDeflated(Bytes& out, const char* data, std::size_t size, int level, bool last, Compressor& compressors) {
    if (level <= 0) {
        appendStored(out, data, size, last);
        return true;
    }
    libdeflate_compressor* compressor = compressors.at(level);
    if (!compressor) return false;
    const std::size_t start = out.size();
    out.resize(start + libdeflate_deflate_compress_bound(compressor, size));
    const std::size_t written = libdeflate_deflate_compress(compressor, data, size, out.data() + start, out.size() - start);
    if (written == 0) {  // cannot happen within the bound; stored blocks are always right
        out.resize(start);
        appendStored(out, data, size, last);
        return true;
    }
    out.resize(start + written);
    if (last) return true;
    // libdeflate always ends with a final block, and says not where it is.
    FinalBlock block;
    const auto* stream = reinterpret_cast<const unsigned char*>(out.data() + start);
    if (!WalkToFinalBlock(stream, written, &block) && !InflateToFinalBlock(stream, written, &block)) {
        out.resize(start);
        appendStored(out, data, size, false);
        return true;
    }
    leaveOpen(out, start, block);
    return true;
}

std::uint32_t Crc32(std::uint32_t crc, const char* data, std::size_t size) {
    // libdeflate takes a null buffer as the start of a new CRC, and an empty
    // piece may come without one.
    if (size == 0) return crc;
    return libdeflate_crc32(crc, data, size);
}

namespace {

// CRC-32 arithmetic modulo its polynomial, bits reflected as the CRC keeps
// them; done here because zlib's 64-bit combine is not declared on every
// system, and a file over 2 GB needs it.
constexpr std::uint32_t kCrcPolynomial = 0xEDB88320u;

std::uint32_t multiplyModP(std::uint32_t a, std::uint32_t b) {
    std::uint32_t product = 0;
    for (std::uint32_t bit = 1u << 31; bit != 0; bit >>= 1) {
        if (a & bit) product ^= b;
        b = (b & 1) ? (b >> 1) ^ kCrcPolynomial : b >> 1;
    }
    return product;
}

// x^(8 * bytes) modulo the polynomial.
std::uint32_t shiftByBytes(std::uint64_t bytes) {
    std::uint32_t square = 1u << 30;  // x^1
    for (int i = 0; i < 3; ++i) square = multiplyModP(square, square);  // x^8: one byte
    std::uint32_t result = 1u << 31;  // x^0
    for (; bytes != 0; bytes >>= 1, square = multiplyModP(square, square)) {
        if (bytes & 1) result = multiplyModP(square, result);
    }
    return result;
}

}  // namespace

std::uint32_t Crc32Combine(std::uint32_t first, std::uint32_t second, std::uint64_t secondSize) {
    return multiplyModP(shiftByBytes(secondSize), first) ^ second;
}

Decompressor::~Decompressor() {
    if (decompressor_) libdeflate_free_decompressor(decompressor_);
}

libdeflate_decompressor* Decompressor::get() {
    if (!decompressor_) decompressor_ = libdeflate_alloc_decompressor();
    return decompressor_;
}

bool InflateExactly(const char* data, std::size_t size, char* out, std::size_t outSize, Decompressor& decompressor) {
    libdeflate_decompressor* d = decompressor.get();
    std::size_t inUsed = 0, written = 0;
    return d &&
           libdeflate_deflate_decompress_ex(d, data, size, out, outSize, &inUsed, &written) == LIBDEFLATE_SUCCESS &&
           inUsed == size && written == outSize;
}

}  // namespace backup

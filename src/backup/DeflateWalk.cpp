#include "backup/DeflateWalk.h"

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <vector>

namespace backup {

namespace {

static_assert(std::endian::native == std::endian::little, "the bit reader loads words as they lie");

constexpr unsigned kMaxBits = 15;
constexpr unsigned char kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                            2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr unsigned short kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                            31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr unsigned char kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                              6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr unsigned short kDistanceBase[30] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,
                                              33,   49,   65,   97,   129,  193,   257,   385,   513,   769,
                                              1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr unsigned char kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// Bits taken least significant first, as deflate packs them.
class BitStream {
public:
    BitStream(const unsigned char* data, std::size_t size) : data_(data), size_(size), limit_(std::uint64_t(size) * 8) {}
    // At least the 57 bits from bit `at`; zeros past the end.
    std::uint64_t peekAt(std::uint64_t at) const {
        const std::size_t byte = static_cast<std::size_t>(at >> 3);
        std::uint64_t word = 0;
        if (byte + 8 <= size_) std::memcpy(&word, data_ + byte, 8);
        else if (byte < size_) std::memcpy(&word, data_ + byte, size_ - byte);
        return word >> (at & 7);
    }
    std::uint64_t peek() const { return peekAt(pos_); }
    unsigned take(unsigned count) {
        const auto value = static_cast<unsigned>(peek() & ((std::uint64_t(1) << count) - 1));
        pos_ += count;
        return value;
    }
    void skip(std::uint64_t count) { pos_ += count; }
    void seek(std::uint64_t at) { pos_ = at; }
    std::uint64_t limit() const { return limit_; }
    void toByte() { pos_ = (pos_ + 7) & ~std::uint64_t(7); }
    bool overrun() const { return pos_ > limit_; }
    std::uint64_t position() const { return pos_; }

private:
    const unsigned char* data_;
    std::size_t size_;
    std::uint64_t limit_;
    std::uint64_t pos_ = 0;
};

// A canonical Huffman code as tables indexed by the stream's next bits:
// a root of kRootBits, small enough to stay in the first-level cache, and
// below it a table for each root entry that begins longer codes. A leaf is
// the code's length above its symbol (0 where no code begins); a link has
// kLink set, and the offset of its table.
constexpr unsigned kRootBits = 10;
constexpr std::uint32_t kLink = 1u << 31;

struct Code {
    std::vector<std::uint32_t> entries;
    unsigned rootBits = 1, subBits = 0;

    // As zlib takes them: no code over-subscribed, and none incomplete but
    // a single code of one bit (never for the code lengths' own code).
    bool build(const std::uint8_t* lengths, unsigned count, bool mayBeSingle) {
        unsigned counts[kMaxBits + 1] = {};
        for (unsigned s = 0; s < count; ++s) ++counts[lengths[s]];
        unsigned longest = kMaxBits;
        while (longest > 0 && counts[longest] == 0) --longest;
        rootBits = std::clamp(longest, 1u, kRootBits);
        subBits = longest > kRootBits ? longest - kRootBits : 0;
        entries.assign(std::size_t(1) << rootBits, 0);
        if (longest == 0) return mayBeSingle;  // no codes: any use of one is refused
        int left = 1;
        for (unsigned length = 1; length <= kMaxBits; ++length) {
            left = (left << 1) - static_cast<int>(counts[length]);
            if (left < 0) return false;
        }
        if (left > 0 && !(mayBeSingle && longest == 1)) return false;
        unsigned next[kMaxBits + 1] = {};
        counts[0] = 0;
        for (unsigned length = 1, code = 0; length <= kMaxBits; ++length) {
            code = (code + counts[length - 1]) << 1;
            next[length] = code;
        }
        for (unsigned s = 0; s < count; ++s) {
            if (lengths[s] != 0) place(s, lengths[s], next[lengths[s]]++);
        }
        return true;
    }
    std::uint32_t find(std::uint64_t bits) const;

private:
    void place(unsigned symbol, unsigned length, unsigned code) {
        unsigned reversed = 0;  // the code as the stream gives its bits
        for (unsigned i = 0; i < length; ++i, code >>= 1) reversed = (reversed << 1) | (code & 1);
        const std::uint32_t leaf = length << 16 | symbol;
        if (length <= rootBits) {
            for (unsigned i = reversed; i < (1u << rootBits); i += 1u << length) entries[i] = leaf;
            return;
        }
        const unsigned prefix = reversed & ((1u << rootBits) - 1);
        if (!(entries[prefix] & kLink)) {
            entries[prefix] = kLink | static_cast<std::uint32_t>(entries.size());
            entries.resize(entries.size() + (std::size_t(1) << subBits), 0);
        }
        const std::size_t table = entries[prefix] & ~kLink;
        const unsigned below = length - rootBits;
        for (unsigned i = reversed >> rootBits; i < (1u << subBits); i += 1u << below) entries[table + i] = leaf;
    }
};

// A code's tables as plain numbers, for the walk's inner loop.
struct Lookup {
    explicit Lookup(const Code& code)
        : entries(code.entries.data()), rootMask((1u << code.rootBits) - 1), subMask((1u << code.subBits) - 1),
          rootBits(code.rootBits) {}
    // The leaf for the symbol whose code begins the stream's next `bits`.
    std::uint32_t find(std::uint64_t bits) const {
        const std::uint32_t root = entries[bits & rootMask];
        if (!(root & kLink)) return root;
        return entries[(root & ~kLink) + ((bits >> rootBits) & subMask)];
    }
    const std::uint32_t* entries;
    std::uint64_t rootMask, subMask;
    unsigned rootBits;
};

std::uint32_t Code::find(std::uint64_t bits) const { return Lookup(*this).find(bits); }

struct Codes {
    Code literals, distances, lengths;
};

bool walkStored(BitStream& in, std::uint64_t& out) {
    in.toByte();
    const unsigned length = in.take(16), complement = in.take(16);
    if (length != (~complement & 0xFFFFu)) return false;
    in.skip(std::uint64_t(length) * 8);
    out += length;
    return true;
}

void fixedCodes(Codes& codes) {
    std::uint8_t lengths[288 + 32];
    std::fill(lengths, lengths + 144, 8);
    std::fill(lengths + 144, lengths + 256, 9);
    std::fill(lengths + 256, lengths + 280, 7);
    std::fill(lengths + 280, lengths + 288, 8);
    std::fill(lengths + 288, lengths + 320, 5);
    codes.literals.build(lengths, 288, false);
    codes.distances.build(lengths + 288, 32, false);
}

bool readDynamicCodes(BitStream& in, Codes& codes) {
    const unsigned literals = in.take(5) + 257, distances = in.take(5) + 1, given = in.take(4) + 4;
    if (literals > 286 || distances > 30) return false;
    std::uint8_t lengthsOfLengths[19] = {};
    for (unsigned i = 0; i < given; ++i) lengthsOfLengths[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(in.take(3));
    if (!codes.lengths.build(lengthsOfLengths, 19, false)) return false;
    std::uint8_t lengths[286 + 30];
    const unsigned total = literals + distances;
    for (unsigned i = 0; i < total;) {
        if (in.overrun()) return false;
        const std::uint32_t entry = codes.lengths.find(in.peek());
        if ((entry >> 16) == 0) return false;
        in.skip(entry >> 16);
        const unsigned symbol = entry & 0xFFFF;
        if (symbol < 16) {
            lengths[i++] = static_cast<std::uint8_t>(symbol);
            continue;
        }
        if (symbol == 16 && i == 0) return false;
        const std::uint8_t value = symbol == 16 ? lengths[i - 1] : 0;
        const unsigned repeat = symbol == 16 ? 3 + in.take(2) : symbol == 17 ? 3 + in.take(3) : 11 + in.take(7);
        if (i + repeat > total) return false;
        std::fill_n(lengths + i, repeat, value);
        i += repeat;
    }
    if (lengths[256] == 0) return false;  // no end of block
    return codes.literals.build(lengths, literals, true) && codes.distances.build(lengths + literals, distances, true);
}

// One block's symbols up to its end of block; `out` counts the bytes they
// stand for, so that a distance reaching before the stream is refused.
bool walkSymbols(BitStream& in, const Codes& codes, std::uint64_t& total) {
    const Lookup literals(codes.literals), distances(codes.distances);
    std::uint64_t at = in.position(), out = total;
    for (;;) {
        if (at > in.limit()) return false;
        // Several literals per load; a match, with its extra bits and its
        // distance with theirs, takes at most 48 bits.
        std::uint64_t bits = in.peekAt(at);
        for (unsigned held = 56; held >= kMaxBits;) {
            std::uint32_t entry = literals.find(bits);
            const unsigned codeBits = entry >> 16;
            unsigned symbol = entry & 0xFFFF;
            if (codeBits == 0) return false;
            if (symbol < 256) {
                bits >>= codeBits;
                held -= codeBits;
                at += codeBits;
                ++out;
                continue;
            }
            if (symbol == 256) {
                in.seek(at + codeBits);
                total = out;
                return true;
            }
            if (held < 48) break;
            symbol -= 257;
            if (symbol >= 29) return false;
            bits >>= codeBits;
            const unsigned lengthExtra = kLengthExtra[symbol];
            const std::uint64_t length = kLengthBase[symbol] + (bits & ((1u << lengthExtra) - 1));
            bits >>= lengthExtra;
            entry = distances.find(bits);
            const unsigned distanceBits = entry >> 16, code = entry & 0xFFFF;
            if (distanceBits == 0 || code >= 30) return false;
            bits >>= distanceBits;
            const unsigned distanceExtra = kDistanceExtra[code];
            const std::uint64_t distance = kDistanceBase[code] + (bits & ((1u << distanceExtra) - 1));
            if (distance > out) return false;
            bits >>= distanceExtra;
            const unsigned used = codeBits + lengthExtra + distanceBits + distanceExtra;
            held -= used;
            at += used;
            out += length;
        }
    }
}

}  // namespace

bool WalkToFinalBlock(const unsigned char* data, std::size_t size, FinalBlock* found) {
    BitStream in(data, size);
    const auto codes = std::make_unique<Codes>();
    std::uint64_t out = 0;
    for (;;) {
        const std::uint64_t header = in.position();
        const unsigned last = in.take(1), type = in.take(2);
        bool walked = false;
        if (type == 0) {
            walked = walkStored(in, out);
        } else if (type == 1) {
            fixedCodes(*codes);
            walked = walkSymbols(in, *codes, out);
        } else if (type == 2) {
            walked = readDynamicCodes(in, *codes) && walkSymbols(in, *codes, out);
        }
        if (!walked || in.overrun()) return false;
        if (last) {
            found->headerBit = header;
            found->endBit = in.position();
            return (found->endBit + 7) / 8 == size;
        }
    }
}

// zlib, stopping at each block boundary, tells where the final block
// starts and where it ends: at the stop
// after it, before zlib drops the padding bits (at the stream's end they
// are gone from its count).
bool InflateToFinalBlock(const unsigned char* data, std::size_t size, FinalBlock* found) {
    z_stream s{};
    if (inflateInit2(&s, -15) != Z_OK) return false;
    s.next_in = const_cast<unsigned char*>(data);
    s.avail_in = static_cast<uInt>(size);
    std::vector<unsigned char> sink(1 << 16);
    int ret = Z_OK;
    bool ended = false;
    while (ret == Z_OK) {
        s.next_out = sink.data();
        s.avail_out = static_cast<uInt>(sink.size());
        ret = inflate(&s, Z_BLOCK);
        const std::uint64_t bit = (size - s.avail_in) * 8ULL - static_cast<unsigned>(s.data_type & 7);
        if (ret != Z_OK || !(s.data_type & 128)) continue;
        if (s.data_type & 64) {
            found->endBit = bit;
            ended = true;
        } else {
            found->headerBit = bit;
        }
    }
    inflateEnd(&s);
    return ret == Z_STREAM_END && ended && s.avail_in == 0;
}

}  // namespace backup

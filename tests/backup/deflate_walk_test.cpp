#include <gtest/gtest.h>

#include <libdeflate.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "backup/DeflateWalk.h"

using backup::FinalBlock;
using backup::InflateToFinalBlock;
using backup::WalkToFinalBlock;

namespace {

using Stream = std::vector<unsigned char>;

// Text with repeats near and far, runs of zeros and stretches of noise:
// literals, matches of every length and distance, stored blocks.
std::string mixed(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string data;
    while (data.size() < size) {
        switch (random() % 4) {
        case 0: data += "Subject: line " + std::to_string(random() % 5000) + "\r\n"; break;
        case 1: data.append(random() % 700, '\0'); break;
        case 2: data += data.substr(data.size() - std::min<std::size_t>(data.size(), random() % 40000), 300); break;
        default:
            for (int i = 0; i < 200; ++i) data += static_cast<char>(random());
        }
    }
    data.resize(size);
    return data;
}

Stream libdeflateStream(const std::string& data, int level) {
    libdeflate_compressor* c = libdeflate_alloc_compressor(level);
    Stream out(libdeflate_deflate_compress_bound(c, data.size()));
    out.resize(libdeflate_deflate_compress(c, data.data(), data.size(), out.data(), out.size()));
    libdeflate_free_compressor(c);
    return out;
}

// zlib's streams have fixed blocks, and empty stored ones where flushed.
Stream zlibStream(const std::string& data, int level, int strategy, bool flushHalfway) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy);
    Stream out(deflateBound(&z, static_cast<uLong>(data.size())) + 64);
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const std::size_t half = flushHalfway ? data.size() / 2 : 0;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(half);
    if (half > 0) deflate(&z, Z_FULL_FLUSH);
    z.avail_in = static_cast<uInt>(data.size() - half);
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// Both finders agree; the walk never takes what zlib refuses.
void expectSameAsZlib(const Stream& s, bool mustBeTaken, const std::string& what) {
    FinalBlock walked, inflated;
    const bool byWalk = WalkToFinalBlock(s.data(), s.size(), &walked);
    const bool byZlib = InflateToFinalBlock(s.data(), s.size(), &inflated);
    if (mustBeTaken) {
        ASSERT_TRUE(byZlib) << what;
        ASSERT_TRUE(byWalk) << what;
    }
    if (!byWalk) return;
    ASSERT_TRUE(byZlib) << "taken by the walk alone: " << what;
    EXPECT_EQ(walked.headerBit, inflated.headerBit) << what;
    EXPECT_EQ(walked.endBit, inflated.endBit) << what;
}

}  // namespace

TEST(DeflateWalk, FindsTheFinalBlockWhereZlibDoesAndRefusesWhatZlibRefuses) {
    for (std::size_t size : {std::size_t(0), std::size_t(1), std::size_t(100), std::size_t(5000),
                             std::size_t(300001), std::size_t(4) << 20}) {
        const std::string data = mixed(size, static_cast<unsigned>(size));
        for (int level : {1, 6, 9, 12}) expectSameAsZlib(libdeflateStream(data, level), true, "libdeflate " + std::to_string(level));
        for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED, Z_HUFFMAN_ONLY, Z_RLE}) {
            for (bool flush : {false, true}) {
                expectSameAsZlib(zlibStream(data, 6, strategy, flush), true,
                                 "zlib strategy " + std::to_string(strategy) + (flush ? ", flushed" : ""));
            }
        }
        expectSameAsZlib(zlibStream(data, 0, Z_DEFAULT_STRATEGY, false), true, "zlib stored");
    }
    // Cut short, or followed by more: neither is one whole stream.
    const Stream whole = libdeflateStream(mixed(100000, 3), 6);
    FinalBlock found;
    EXPECT_FALSE(WalkToFinalBlock(whole.data(), whole.size() - 1, &found));
    Stream longer = whole;
    longer.push_back(0);
    EXPECT_FALSE(WalkToFinalBlock(longer.data(), longer.size(), &found));
    // Damage and noise: whatever the walk takes, zlib takes alike.
    std::mt19937 random(11);
    for (int i = 0; i < 3000; ++i) {
        Stream damaged = whole;
        damaged[random() % damaged.size()] ^= static_cast<unsigned char>(1u << (random() % 8));
        expectSameAsZlib(damaged, false, "damaged " + std::to_string(i));
    }
    // In the first block's code lengths above all, whose faults show late.
    const Stream small = libdeflateStream(mixed(3000, 5), 6);
    for (int i = 0; i < 20000; ++i) {
        Stream damaged = small;
        for (int k = 0; k < 1 + i % 3; ++k) damaged[random() % 80] ^= static_cast<unsigned char>(1u << (random() % 8));
        expectSameAsZlib(damaged, false, "damaged codes " + std::to_string(i));
    }
    for (int i = 0; i < 30000; ++i) {
        Stream noise(1 + random() % 40);
        for (auto& b : noise) b = static_cast<unsigned char>(random());
        expectSameAsZlib(noise, false, "noise " + std::to_string(i));
    }
}

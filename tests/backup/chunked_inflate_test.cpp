#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <random>
#include <string>

#include "backup/ChunkedInflate.h"
#include "backup/DeflateChunks.h"
#include "backup/DeflatePipeline.h"

using backup::Bytes;
using backup::InflatesInChunks;

namespace {

constexpr std::size_t kChunk = backup::DeflatePipeline::kChunk;

// A database-like file: text with runs of zeros, and now and then the bytes
// that end a chunk, so that they turn up inside stored and compressed data.
std::string database(std::size_t size) {
    std::mt19937 random(7);
    std::string data;
    while (data.size() < size) {
        data += "record " + std::to_string(random() % 1000000) + ";";
        if (random() % 50 == 0) data.append(std::string("\0\0\xFF\xFF", 4));
        if (random() % 200 == 0) data.append(random() % 3000, '\0');
    }
    data.resize(size);
    return data;
}

// The stream as the pipeline writes it: each chunk deflated on its own.
Bytes deflatedInChunks(const std::string& data, int level) {
    Bytes out;
    backup::Compressor compressor;
    for (std::size_t at = 0; at < data.size(); at += kChunk) {
        const std::size_t n = std::min(kChunk, data.size() - at);
        EXPECT_TRUE(backup::AppendDeflated(out, data.data() + at, n, level, at + n == data.size(), compressor));
    }
    return out;
}

// Reads `stream` in pieces of at most `step` bytes, failing after `failAt` bytes.
backup::StreamRead reader(const Bytes& stream, std::size_t step, std::size_t failAt = SIZE_MAX) {
    auto at = std::make_shared<std::size_t>(0);
    return [&stream, step, failAt, at](char* into, std::size_t size) -> long long {
        if (*at >= failAt) return -1;
        const std::size_t n = std::min({size, step, stream.size() - *at});
        std::copy(stream.begin() + *at, stream.begin() + *at + n, into);
        *at += n;
        return static_cast<long long>(n);
    };
}

std::uint32_t crcOf(const std::string& data) { return backup::Crc32(0, data.data(), data.size()); }

}  // namespace

TEST(ChunkedInflate, AStreamWrittenInChunksInflatesWholeAndADamagedOneDoesNot) {
    const std::string data = database(3 * kChunk + 12345);
    const std::uint32_t crc = crcOf(data);
    for (int level : {1, 6}) {
        const Bytes stream = deflatedInChunks(data, level);
        for (std::size_t step : {std::size_t(1000), std::size_t(1) << 20, stream.size()}) {
            EXPECT_TRUE(InflatesInChunks(reader(stream, step), data.size(), crc)) << level << " " << step;
        }
        EXPECT_FALSE(InflatesInChunks(reader(stream, 1 << 20), data.size(), crc ^ 1)) << level;
        EXPECT_FALSE(InflatesInChunks(reader(stream, 1 << 20), data.size() + 1, crc)) << level;
        EXPECT_FALSE(InflatesInChunks(reader(stream, 1 << 20, stream.size() / 2), data.size(), crc)) << level;
        Bytes damaged = stream;
        damaged[damaged.size() / 3] ^= 0x10;
        EXPECT_FALSE(InflatesInChunks(reader(damaged, 1 << 20), data.size(), crc)) << level;
        Bytes cut(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(stream.size() - 100));
        EXPECT_FALSE(InflatesInChunks(reader(cut, 1 << 20), data.size(), crc)) << level;
    }
}

TEST(ChunkedInflate, AStreamDeflatedWholeByAnotherWriterIsLeftToTheStreamingCheck) {
    // One zlib stream, back-references across every 4 MiB and no chunk ends:
    // no piece of it inflates on its own, so this check cannot say.
    const std::string data = database(6 * kChunk);
    z_stream z{};
    ASSERT_EQ(deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
    Bytes stream(deflateBound(&z, data.size()));
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(stream.data());
    z.avail_out = static_cast<uInt>(stream.size());
    ASSERT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    stream.resize(z.total_out);
    deflateEnd(&z);
    EXPECT_FALSE(InflatesInChunks(reader(stream, 1 << 20), data.size(), crcOf(data)));
    // Stored blocks, as a file kept uncompressed is written, end no chunk either.
    const Bytes stored = deflatedInChunks(data, 0);
    EXPECT_FALSE(InflatesInChunks(reader(stored, 1 << 20), data.size(), crcOf(data)));
}

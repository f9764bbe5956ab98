#pragma once
// Archives made with libzip directly, as anyone could make them: any member
// names, link entries, and headers that declare another size than the data.

#include <zip.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace testing_support {

struct RawEntry {
    std::string name;
    std::string data;
    bool symlink = false;  // a Unix link whose target is `data`
};

inline void writeRawZip(const std::filesystem::path& path, const std::vector<RawEntry>& entries) {
    std::filesystem::create_directories(path.parent_path());
    int code = 0;
    zip_t* za = zip_open(path.string().c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    ASSERT_NE(za, nullptr);
    for (const auto& e : entries) {
        zip_source_t* src = zip_source_buffer(za, e.data.data(), e.data.size(), 0);
        const zip_int64_t index = zip_file_add(za, e.name.c_str(), src, ZIP_FL_ENC_UTF_8);
        ASSERT_GE(index, 0) << e.name;
        if (e.symlink) {
            zip_file_set_external_attributes(za, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX, 0120777u << 16);
        }
    }
    ASSERT_EQ(zip_close(za), 0);
}

// Makes both headers of the archive's first member declare `size` bytes
// uncompressed, whatever its data holds.
inline void declareFirstMemberSize(const std::filesystem::path& path, std::uint32_t size) {
    std::string bytes = readFile(path);
    auto put = [&](std::size_t at) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
    };
    ASSERT_EQ(bytes.compare(0, 4, "PK\x03\x04"), 0);
    put(22);
    const std::size_t central = bytes.find("PK\x01\x02");
    ASSERT_NE(central, std::string::npos);
    put(central + 24);
    writeFile(path, bytes);
}

}  // namespace testing_support

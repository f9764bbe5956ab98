#include <gtest/gtest.h>

#include <string>

#include "backup/DeflateChunks.h"
#include "backup/EarlierFolderArchive.h"
#include "support/TestSupport.h"

using backup::FileMatchesEntry;
using backup::ReusableEntry;
using testing_support::TempDir;
using testing_support::writeFile;

// A file is what its earlier entry holds only with the same size and CRC;
// a large one is read in two halves at once, and a change in either half,
// or a byte more or less, is seen.
TEST(EarlierFolderArchive, AFileMatchesItsEntryOnlyWhenItsSizeAndCrcDo) {
    TempDir dir;
    const auto path = (dir / "Mail.MSMessageStore").string();
    for (std::size_t size : {std::size_t(3000), std::size_t(70) << 20}) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
        ReusableEntry entry;
        entry.size = size;
        entry.crc = backup::Crc32(0, bytes.data(), size);
        writeFile(path, bytes);
        EXPECT_TRUE(FileMatchesEntry(path, entry)) << size;
        for (std::size_t at : {std::size_t(10), size / 2 - 1, size / 2, size - 1}) {
            std::string changed = bytes;
            changed[at] ^= 0x04;
            writeFile(path, changed);
            EXPECT_FALSE(FileMatchesEntry(path, entry)) << size << " changed at " << at;
        }
        writeFile(path, bytes + "x");
        EXPECT_FALSE(FileMatchesEntry(path, entry)) << size << " grown";
        writeFile(path, bytes.substr(0, size - 1));
        EXPECT_FALSE(FileMatchesEntry(path, entry)) << size << " cut";
    }
    EXPECT_FALSE(FileMatchesEntry((dir / "missing").string(), ReusableEntry{}));
}

// The central directory read straight from the file: against Info-ZIP's
// archives lying inside another file, and against the program's own folder
// archives with Zip64 end records (more than 65,535 members).
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "backup/DeflateChunks.h"
#include "backup/ZipComponent.h"
#include "backup/ZipDirectory.h"
#include "platform/RawFile.h"
#include "support/TestSupport.h"

using namespace backup;
using testing_support::readFile;
using testing_support::runCommand;
using testing_support::shellQuote;
using testing_support::TempDir;
using testing_support::writeFile;
namespace fs = std::filesystem;

namespace {

std::map<std::string, DirectoryEntry> directoryOf(const fs::path& file, std::uint64_t base, std::uint64_t length,
                                                  std::map<std::string, std::string>* names = nullptr) {
    platform::RawFile raw;
    EXPECT_TRUE(raw.openForReading(file.string()));
    std::map<std::string, DirectoryEntry> entries;
    std::string why;
    EXPECT_TRUE(ReadZipDirectory(raw, base, length, [&](const DirectoryEntry& e) {
        DirectoryEntry kept = e;
        kept.name = {};
        entries[std::string(e.name)] = kept;
        if (names) (*names)[std::string(e.name)] = std::string(e.name);
    }, &why)) << why;
    return entries;
}

// The member's data through its local header, inflated.
std::string inflated(const fs::path& file, std::uint64_t base, const std::string& name, const DirectoryEntry& e) {
    platform::RawFile raw;
    EXPECT_TRUE(raw.openForReading(file.string()));
    const auto header = ReadLocalHeader(raw, base, e.localOffset);
    if (!header || header->name != name) return "<no header>";
    std::string deflated(e.compressedSize, '\0');
    raw.readAt(base + header->dataOffset, deflated.data(), deflated.size());
    std::string out(e.size, '\0');
    Decompressor d;
    return InflateExactly(deflated.data(), deflated.size(), out.data(), out.size(), d) ? out : "<not inflated>";
}

}  // namespace

TEST(ZipDirectory, ReadsInfoZipArchivesWhereverTheyLie) {
    TempDir dir;
    writeFile(dir / "src" / "a.txt", std::string(5000, 'a') + "end");
    writeFile(dir / "src" / "sub" / "b.eml", "From: x\r\n\r\nbody\r\n");
    writeFile(dir / "src" / "empty", "");
    ASSERT_EQ(runCommand("cd " + shellQuote((dir / "src").string()) + " && echo 'a comment' | zip -qr -z ../plain.zip ."), 0);
    const std::string zip = readFile(dir / "plain.zip");
    // Inside another file, as a folder archive lies inside a backup.
    const std::string before(12345, 'P'), after(777, 'Q');
    writeFile(dir / "outer.bin", before + zip + after);
    const auto entries = directoryOf(dir / "outer.bin", before.size(), zip.size());
    ASSERT_EQ(entries.size(), 4u);  // "sub/" too
    ZipComponent libzip;
    ASSERT_TRUE(libzip.openArchive((dir / "plain.zip").string()));
    for (const ZipMember& m : libzip.members()) {
        ASSERT_TRUE(entries.count(m.name)) << m.name;
        const DirectoryEntry& e = entries.at(m.name);
        EXPECT_EQ(e.crc, m.crc) << m.name;
        EXPECT_EQ(e.size, m.size) << m.name;
        EXPECT_EQ(e.compressedSize, m.compressedSize) << m.name;
    }
    EXPECT_EQ(entries.at("a.txt").method, 8);
    EXPECT_EQ(inflated(dir / "outer.bin", before.size(), "a.txt", entries.at("a.txt")), std::string(5000, 'a') + "end");

    platform::RawFile raw;
    ASSERT_TRUE(raw.openForReading((dir / "outer.bin").string()));
    std::string why;
    EXPECT_FALSE(ReadZipDirectory(raw, 0, before.size(), [](const DirectoryEntry&) {}, &why));
    EXPECT_EQ(why, "it has no end of central directory");
    EXPECT_FALSE(ReadZipDirectory(raw, before.size(), zip.size() - 30, [](const DirectoryEntry&) {}, &why));
    EXPECT_FALSE(ReadLocalHeader(raw, 0, 0)) << "no local header at the outer file's start";
}

TEST(ZipDirectory, ReadsTheProgramsFolderArchivesPastSixtyFiveThousandMembers) {
    TempDir dir;
    constexpr int kFiles = 66000;
    for (int i = 0; i < kFiles; ++i) writeFile(dir / "mail" / std::to_string(i / 1000) / (std::to_string(i) + ".eml"), "m" + std::to_string(i));
    ZipComponent zip;
    zip.setFolderArchive(true);
    const fs::path archive = dir / "mail.zip";
    ASSERT_TRUE(zip.newArchive(archive.string()));
    ASSERT_TRUE(zip.addFiles((dir / "mail").string() + "/*.*", 1));
    ASSERT_TRUE(zip.writeArchive()) << zip.lastError();
    const auto entries = directoryOf(archive, 0, fs::file_size(archive));
    EXPECT_EQ(entries.size(), static_cast<std::size_t>(kFiles));
    const DirectoryEntry& last = entries.at("65/65999.eml");
    EXPECT_EQ(inflated(archive, 0, "65/65999.eml", last), "m65999");
    EXPECT_EQ(last.crc, Crc32(0, "m65999", 6));
    EXPECT_EQ(runCommand("unzip -tq " + shellQuote(archive.string()) + " >/dev/null"), 0);
}

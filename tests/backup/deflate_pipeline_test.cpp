#include <gtest/gtest.h>

#include <zip.h>
#include <zlib.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <random>
#include <thread>

#include "backup/DeflateChunks.h"
#include "backup/DeflatePipeline.h"
#include "backup/EarlierFolderArchive.h"
#include "backup/ZipStreamCheck.h"
#include "backup/ZipComponent.h"
#include "platform/Cores.h"
#include "support/TestSupport.h"

using backup::DeflatePipeline;
using backup::ZipComponent;
using testing_support::readFile;
using testing_support::runCommand;
using testing_support::TempDir;
using testing_support::writeFile;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kChunk = DeflatePipeline::kChunk;

// Text that compresses like mail, with random stretches that do not.
std::string mixedBytes(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    const char* words[] = {"meeting ", "tomorrow ", "the ", "report ", "thanks, ", "caf\xC3\xA9 ", "\r\n"};
    std::string s;
    while (s.size() < size) {
        if (rng() % 8 == 0) {
            for (int i = 0; i < 300; ++i) s.push_back(static_cast<char>(rng()));
        } else {
            s += words[rng() % 7];
        }
    }
    s.resize(size);
    return s;
}

std::string inflateRaw(const std::string& deflated) {
    z_stream z{};
    EXPECT_EQ(inflateInit2(&z, -15), Z_OK);
    std::string out;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(deflated.data()));
    z.avail_in = static_cast<uInt>(deflated.size());
    int ret = Z_OK;
    char buffer[1 << 16];
    while (ret == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        ret = inflate(&z, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - z.avail_out);
    }
    EXPECT_EQ(ret, Z_STREAM_END);
    EXPECT_EQ(z.avail_in, 0u) << "bytes after the end of the stream";
    inflateEnd(&z);
    return out;
}

// Every member of an archive, read by libzip.
std::map<std::string, std::string> contentsOf(const fs::path& archive, const char* password = nullptr) {
    int error = 0;
    zip_t* za = zip_open(archive.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    EXPECT_NE(za, nullptr) << archive;
    std::map<std::string, std::string> contents;
    if (!za) return contents;
    if (password) zip_set_default_password(za, password);
    for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st);
        std::string data(st.size, '\0');
        zip_file_t* f = zip_fopen_index(za, static_cast<zip_uint64_t>(i), 0);
        EXPECT_NE(f, nullptr) << st.name;
        if (!f) continue;
        EXPECT_EQ(zip_fread(f, data.data(), data.size()), static_cast<zip_int64_t>(data.size())) << st.name;
        char extra;
        EXPECT_EQ(zip_fread(f, &extra, 1), 0) << st.name << ": CRC or authentication failed";
        zip_fclose(f);
        contents[st.name] = data;
    }
    zip_close(za);
    return contents;
}

// The sizes where chunked deflate can go wrong.
std::map<std::string, std::string> awkwardFiles() {
    std::map<std::string, std::string> files = {
        {"empty.eml", ""},
        {"one.eml", "x"},
        {"tiny.eml", "Subject: hi\r\n\r\nsee you"},
        {"chunk-minus-one.edb", mixedBytes(kChunk - 1, 1)},
        {"chunk.edb", mixedBytes(kChunk, 2)},
        {"chunk-plus-one.edb", mixedBytes(kChunk + 1, 3)},
        {"three-chunks.edb", mixedBytes(2 * kChunk + 12345, 4)},
        {"zeros.edb", std::string(kChunk + 70000, '\0')},
        {"attached.zip", mixedBytes(200000, 5)},
    };
    std::mt19937 rng(6);
    std::string noise(kChunk + 3, '\0');
    for (auto& c : noise) c = static_cast<char>(rng());
    files["noise.jpg"] = noise;
    return files;
}

// An archive Info-ZIP makes of `files` in `dir`, opened as an earlier one.
std::shared_ptr<backup::EarlierFolderArchive> zippedEarlier(const fs::path& dir, const std::string& files) {
    std::string out, why;
    EXPECT_EQ(runCommand("cd " + dir.string() + " && zip -q -6 earlier.zip " + files, &out), 0) << out;
    auto earlier = backup::EarlierFolderArchive::Open((dir / "earlier.zip").string(), 0,
                                                      fs::file_size(dir / "earlier.zip"), &why);
    EXPECT_TRUE(earlier) << why;
    return earlier;
}

}  // namespace

std::string streamCheck(const std::string& archive, std::size_t members, bool* retried = nullptr);

TEST(DeflateChunks, PiecesDeflatedApartJoinIntoOneStreamAtEveryLevelAndBitPosition) {
    backup::Compressor compressor;
    // Many cut points, so the final block of a piece ends at every bit offset.
    const std::string data = mixedBytes(300000, 7);
    for (int level : {0, 1, 6, 12}) {
        for (std::size_t cut : {0ul, 1ul, 777ul, 4096ul, 65535ul, 65536ul, 150001ul, 299999ul}) {
            backup::Bytes joined;
            ASSERT_TRUE(backup::AppendDeflated(joined, data.data(), cut, level, false, compressor));
            ASSERT_TRUE(backup::AppendDeflated(joined, data.data() + cut, data.size() - cut, level, true, compressor));
            ASSERT_TRUE(inflateRaw(std::string(joined.begin(), joined.end())) == data) << "level " << level << ", cut at " << cut;
        }
    }
    // Large pieces end in a dynamic block whose padding zlib drops at the end.
    for (unsigned seed = 1; seed < 6; ++seed) {
        const std::string big = mixedBytes(1000001, seed);
        backup::Bytes joined;
        ASSERT_TRUE(backup::AppendDeflated(joined, big.data(), 1000000, 6, false, compressor));
        ASSERT_TRUE(backup::AppendDeflated(joined, big.data() + 1000000, 1, 6, true, compressor));
        ASSERT_TRUE(inflateRaw(std::string(joined.begin(), joined.end())) == big) << "seed " << seed;
    }
    for (std::size_t size = 1; size < 40; ++size) {  // tiny pieces end at every bit position
        backup::Bytes joined;
        for (std::size_t at = 0; at < 200; at += size) {
            const std::size_t n = std::min(size, 200 - at);
            ASSERT_TRUE(backup::AppendDeflated(joined, data.data() + at, n, 6, at + n == 200, compressor));
        }
        ASSERT_TRUE(inflateRaw(std::string(joined.begin(), joined.end())) == data.substr(0, 200)) << "pieces of " << size;
    }
    const std::string a = "first piece", b = "and the second";
    EXPECT_EQ(backup::Crc32Combine(backup::Crc32(0, a.data(), a.size()), backup::Crc32(0, b.data(), b.size()), b.size()),
              crc32(0, reinterpret_cast<const Bytef*>((a + b).data()), static_cast<uInt>((a + b).size())));
}

TEST(DeflatePipeline, FolderArchiveInflatesToTheSameBytesAsLibzipsOwnAndPassesUnzipAnd7Zip) {
    TempDir dir;
    const auto files = awkwardFiles();
    for (const auto& [name, bytes] : files) writeFile(dir / "folder" / "sub" / name, bytes);
    fs::create_directories(dir / "folder" / "Empty Folder");

    ZipComponent ours;
    ours.setFolderArchive(true);
    ASSERT_TRUE(ours.newArchive((dir / "ours.zip").string()));
    ASSERT_TRUE(ours.addFiles((dir / "folder" / "*.*").string(), 1));
    ASSERT_TRUE(ours.writeArchive()) << ours.lastError();

    // The same files deflated by libzip itself.
    int error = 0;
    zip_t* za = zip_open((dir / "libzip.zip").c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (const auto& [name, bytes] : files) {
        const auto path = dir / "folder" / "sub" / name;
        zip_int64_t i = zip_file_add(za, ("sub/" + name).c_str(), zip_source_file(za, path.c_str(), 0, -1), 0);
        zip_set_file_compression(za, static_cast<zip_uint64_t>(i), ZIP_CM_DEFLATE, 6);
    }
    ASSERT_EQ(zip_close(za), 0);

    auto mine = contentsOf(dir / "ours.zip");
    EXPECT_EQ(mine.erase("Empty Folder/"), 1u);
    EXPECT_TRUE(mine == contentsOf(dir / "libzip.zip"));
    for (const auto& [name, bytes] : files) EXPECT_TRUE(mine["sub/" + name] == bytes) << name;

    std::string out;
    EXPECT_EQ(runCommand("unzip -t " + (dir / "ours.zip").string(), &out), 0) << out;
    EXPECT_EQ(runCommand("7z t " + (dir / "ours.zip").string(), &out), 0) << out;
    EXPECT_EQ(runCommand("cd " + dir.path().string() + " && mkdir x && cd x && unzip -q ../ours.zip", &out), 0) << out;
    EXPECT_TRUE(readFile(dir / "x" / "sub" / "three-chunks.edb") == files.at("three-chunks.edb"));
    EXPECT_TRUE(fs::is_directory(dir / "x" / "Empty Folder"));
}

// Pieces hold only what they need while they wait for the writer: a small
// file's piece keeps no large buffer that a large file's gave back, and a
// member copied from an earlier archive comes in pieces of a mebibyte.
TEST(DeflatePipeline, PiecesHoldOnlyWhatTheyNeed) {
    TempDir dir;
    const std::string large = mixedBytes(3 * kChunk, 7);
    writeFile(dir / "large.edb", large);
    std::vector<std::string> small;
    for (int i = 0; i < 40; ++i) small.push_back(mixedBytes(3000 + i, 100 + i));
    for (std::size_t i = 0; i < small.size(); ++i) writeFile(dir / ("m" + std::to_string(i) + ".eml"), small[i]);
    const auto earlier = zippedEarlier(dir.path(), "large.edb");
    ASSERT_TRUE(earlier);
    const backup::ReusableEntry* entry = earlier->find("large.edb");
    ASSERT_NE(entry, nullptr);
    ASSERT_GT(entry->compressedSize, 2u << 20);

    const auto plain = [&](const std::string& name) {
        backup::PipelineFile file;
        file.path = (dir / name).string();
        file.size = fs::file_size(dir / name);
        return file;
    };
    // Each member with the bytes it must inflate to.
    std::vector<backup::PipelineFile> files{plain("large.edb")};  // its buffers are given back, then reused
    std::vector<const std::string*> expectedOf{&large};
    const auto addSmall = [&] {
        for (std::size_t i = 0; i < small.size(); ++i) {
            files.push_back(plain("m" + std::to_string(i) + ".eml"));
            expectedOf.push_back(&small[i]);
        }
    };
    addSmall();
    const std::size_t copyAt = files.size();
    backup::PipelineFile copy = plain("large.edb");
    copy.earlier = earlier.get();
    copy.reuse = entry;
    copy.name = "large.edb";
    copy.verified = true;
    files.push_back(copy);
    expectedOf.push_back(&large);
    addSmall();

    DeflatePipeline pipeline(files.size(), [&files](std::size_t i) { return files[i]; }, 6);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const bool isCopy = i == copyAt;
        const std::string& expected = *expectedOf[i];
        std::string deflated;
        std::size_t pieces = 0;
        for (bool last = false; !last; ++pieces) {
            backup::DeflatedPiece piece = pipeline.next();
            ASSERT_EQ(piece.error, "") << i;
            last = piece.last;
            if (isCopy) {
                EXPECT_LE(piece.bytes.size(), std::size_t(1) << 20) << "a copied piece";
            }
            if (expected.size() < 65536) {
                EXPECT_LT(piece.bytes.capacity(), std::size_t(65536)) << "member " << i;
            }
            deflated.append(piece.bytes.data(), piece.bytes.size());
            pipeline.recycle(std::move(piece.bytes));
        }
        EXPECT_TRUE(inflateRaw(deflated) == expected) << "member " << i;
        if (isCopy) {
            EXPECT_EQ(pieces, (entry->compressedSize + (1u << 20) - 1) >> 20);
        }
    }
    EXPECT_EQ(pipeline.copiedFiles(), 1u);
}

// While the writer does not take pieces (a slow disk, or a run that copies
// most files and so waits only for the writer), the workers stop once a
// chunk for each of them and one more is read ahead: what waits is bounded.
// Copies cost no compression, so they stop at a single chunk ahead.
TEST(DeflatePipeline, AWriterThatWaitsHoldsTheWorkersBack) {
    TempDir dir;
    constexpr std::size_t kFileSize = 64 << 10, kFiles = 600;
    const std::string before = mixedBytes(kFileSize, 8), after(kFileSize, 'b');
    std::vector<backup::PipelineFile> files(kFiles);
    std::vector<std::string> names(kFiles);
    for (std::size_t i = 0; i < kFiles; ++i) {
        names[i] = "m" + std::to_string(i) + ".eml";
        files[i].path = (dir / names[i]).string();
        files[i].size = kFileSize;
        files[i].name = names[i];
    }
    const auto writeAll = [&](const std::string& bytes) {
        for (const auto& file : files) writeFile(file.path, bytes);
    };
    writeAll(before);
    const auto earlier = zippedEarlier(dir.path(), "m*.eml");
    ASSERT_TRUE(earlier);

    // How many pieces after the first were made before the files changed.
    const auto readAheadWhileWaiting = [&](bool fromEarlier) {
        writeAll(before);
        for (auto& file : files) {
            file.earlier = fromEarlier ? earlier.get() : nullptr;
            file.reuse = fromEarlier ? earlier->find(file.name) : nullptr;
            file.provenLater = fromEarlier;
            EXPECT_EQ(file.reuse == nullptr, !fromEarlier) << file.name;
        }
        DeflatePipeline pipeline(kFiles, [&files](std::size_t i) { return files[i]; }, 0);
        EXPECT_EQ(pipeline.next().error, "");
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        // A file read after this shows the new bytes: the old ones were read ahead.
        writeAll(after);
        std::size_t readAhead = 0;
        for (std::size_t i = 1; i < kFiles; ++i) {
            backup::DeflatedPiece piece = pipeline.next();
            EXPECT_EQ(piece.error, "") << i;
            EXPECT_TRUE(piece.last);
            const std::string raw = inflateRaw(std::string(piece.bytes.begin(), piece.bytes.end()));
            EXPECT_TRUE(raw == before || raw == after) << i;
            // A file that changed is never taken from the earlier archive.
            EXPECT_TRUE(raw == before || !piece.copied) << i;
            if (raw == before) ++readAhead;
        }
        EXPECT_EQ(pipeline.copiedFiles(), fromEarlier ? 1 + readAhead : 0);
        return readAhead;
    };
    const std::size_t perChunk = kChunk / kFileSize;
    const std::size_t compressed = readAheadWhileWaiting(false);
    EXPECT_LE(compressed, (platform::coreCount() + 1) * perChunk + 1);  // one more may be claimed
    EXPECT_GE(compressed, 2u) << "the workers do not read ahead of the writer at all";
    const std::size_t copied = readAheadWhileWaiting(true);
    EXPECT_LE(copied, perChunk + 1);
    EXPECT_GE(copied, 2u) << "the workers do not copy ahead of the writer at all";
}

TEST(DeflatePipeline, PasswordArchiveIsWinZipAesThat7ZipOpensOnlyWithThePassword) {
    TempDir dir;
    const auto files = awkwardFiles();
    ZipComponent zip;
    ASSERT_TRUE(zip.newArchive((dir / "backup.wlm").string()));
    for (const auto& [name, bytes] : files) {
        writeFile(dir / "in" / name, bytes);
        ASSERT_TRUE(zip.addFiles((dir / "in" / name).string(), 1));
    }
    zip.setPassword("s3cret \xC3\xA9t\xC3\xA9");
    zip.setProtection(1);
    ASSERT_TRUE(zip.writeArchive()) << zip.lastError();

    EXPECT_EQ(contentsOf(dir / "backup.wlm", "s3cret \xC3\xA9t\xC3\xA9").size(), files.size());
    std::string out;
    EXPECT_EQ(runCommand("7z t -p's3cret \xC3\xA9t\xC3\xA9' " + (dir / "backup.wlm").string(), &out), 0) << out;
    EXPECT_NE(runCommand("7z t -pwrong " + (dir / "backup.wlm").string(), &out), 0) << out;
    EXPECT_EQ(runCommand("7z x -o" + (dir / "x").string() + " -p's3cret \xC3\xA9t\xC3\xA9' " +
                             (dir / "backup.wlm").string(), &out), 0) << out;
    for (const auto& [name, bytes] : files) EXPECT_TRUE(readFile(dir / "x" / name) == bytes) << name;
    EXPECT_EQ(runCommand("7z l -slt -p's3cret \xC3\xA9t\xC3\xA9' " + (dir / "backup.wlm").string(), &out), 0) << out;
    EXPECT_NE(out.find("Method = AES-256 Deflate"), std::string::npos) << out;

    ZipComponent check;
    ASSERT_TRUE(check.openArchive((dir / "backup.wlm").string()));
    check.setDecryptionPassword("wrong");
    EXPECT_EQ(check.verifyPassword(), 0);
    check.setDecryptionPassword("s3cret \xC3\xA9t\xC3\xA9");
    EXPECT_EQ(check.verifyPassword(), 1);
}

TEST(DeflatePipeline, AFolderArchiveOfMoreThan65535FilesIsZip64ThatOthersRead) {
    TempDir dir;
    const int count = 70000;
    for (int i = 0; i < count; ++i) writeFile(dir / "f" / ("m" + std::to_string(i) + ".eml"), std::to_string(i));
    ZipComponent zip;
    zip.setFolderArchive(true);
    ASSERT_TRUE(zip.newArchive((dir / "big.zip").string()));
    ASSERT_TRUE(zip.addFiles((dir / "f" / "*.*").string(), 1));
    ASSERT_TRUE(zip.writeArchive()) << zip.lastError();
    ZipComponent check;
    ASSERT_TRUE(check.openArchive((dir / "big.zip").string()));
    EXPECT_EQ(check.members().size(), static_cast<std::size_t>(count));
    EXPECT_TRUE(check.testAll()) << check.lastError();
    std::string out;
    EXPECT_EQ(runCommand("unzip -tq " + (dir / "big.zip").string(), &out), 0) << out;
    EXPECT_EQ(runCommand("7z t " + (dir / "big.zip").string(), &out), 0) << out;
    EXPECT_EQ(streamCheck(readFile(dir / "big.zip"), count), "sound");
}

// Fed in pieces of every size from 1 byte up, as reads out of a backup come;
// checked once more with large members as one stream when only their chunks
// failed, as the read-back does. `retried` tells whether that was needed.
std::string streamCheck(const std::string& archive, std::size_t members, bool* retried) {
    using Large = backup::ZipStreamCheck::Large;
    std::string result;
    for (Large large : {Large::InChunks, Large::AsOneStream}) {
        backup::ZipStreamCheck check(large);
        std::size_t piece = 1;
        bool fed = true;
        for (std::size_t at = 0; fed && at < archive.size(); at += piece, piece = piece * 3 % 70001 + 1) {
            fed = check.feed(archive.data() + at, std::min(piece, archive.size() - at));
        }
        result = fed && check.finish() ? "sound" : check.error();
        if (result == "sound" && members && check.memberCount() != members) {
            result = "counted " + std::to_string(check.memberCount());
        }
        if (retried) *retried = large == Large::AsOneStream;
        if (!check.failedInChunks()) break;
    }
    return result;
}

TEST(ZipStreamCheck, PassesWholeArchivesOfEveryWriterAndFindsEachKindOfDamage) {
    TempDir dir;
    for (const auto& [name, bytes] : awkwardFiles()) writeFile(dir / "f" / "sub" / name, bytes);
    fs::create_directories(dir / "f" / "Empty");
    ZipComponent ours;
    ours.setFolderArchive(true);
    ASSERT_TRUE(ours.newArchive((dir / "ours.zip").string()));
    ASSERT_TRUE(ours.addFiles((dir / "f" / "*.*").string(), 1));
    ASSERT_TRUE(ours.writeArchive());
    const std::string archive = readFile(dir / "ours.zip");
    bool retried = true;
    EXPECT_EQ(streamCheck(archive, awkwardFiles().size() + 1, &retried), "sound");
    EXPECT_FALSE(retried) << "the large members of our own writer inflate in their chunks";
    ASSERT_EQ(runCommand("cd " + (dir / "f").string() + " && zip -qr ../info.zip ."), 0);
    EXPECT_EQ(streamCheck(readFile(dir / "info.zip"), 0, &retried), "sound") << "Info-ZIP's own";
    EXPECT_TRUE(retried) << "one stream each, not cut in chunks";
    EXPECT_EQ(streamCheck(std::string("PK\5\6", 4) + std::string(18, '\0'), 0), "sound") << "the empty archive";

    auto damaged = [&](std::size_t at, char with) {
        std::string copy = archive;
        copy[at] = with;
        return streamCheck(copy, 0);
    };
    const std::size_t dataAt = archive.find("three-chunks.edb") + 40000;
    EXPECT_NE(damaged(dataAt, static_cast<char>(~archive[dataAt])), "sound") << "a flipped byte inside a member";
    const std::size_t central = archive.rfind(std::string("PK\1\2", 4));
    EXPECT_NE(damaged(central + 16, static_cast<char>(~archive[central + 16])), "sound") << "a CRC in the directory";
    EXPECT_NE(damaged(archive.size() - 12, 0x7F), "sound") << "the directory's offset";
    EXPECT_EQ(streamCheck(archive.substr(0, archive.size() - 1), 0).rfind("the archive ends early", 0), 0u);
    EXPECT_NE(streamCheck(archive.substr(0, dataAt), 0), "sound") << "cut inside a member";
    EXPECT_NE(streamCheck(archive + "x", 0), "sound") << "bytes after the end";
}

TEST(ZipComponent, AStoredFolderArchiveIsUnpackedWhereItLiesInTheBackupOnEveryCore) {
    TempDir dir;
    for (int i = 0; i < 300; ++i) {
        writeFile(dir / "Account" / "Inbox" / ("m" + std::to_string(i) + ".eml"), mixedBytes(3000 + i, i));
    }
    fs::create_directories(dir / "stage");
    ZipComponent nested;
    nested.setFolderArchive(true);
    ASSERT_TRUE(nested.newArchive((dir / "stage" / "Account.zip").string()));
    ASSERT_TRUE(nested.addFiles((dir / "Account" / "*.*").string(), 1));
    ASSERT_TRUE(nested.writeArchive());
    for (bool protect : {false, true}) {
        const auto backupPath = dir / (protect ? "protected.wlm" : "plain.wlm");
        ZipComponent backup;
        ASSERT_TRUE(backup.newArchive(backupPath.string()));
        ASSERT_TRUE(backup.addFolderArchive((dir / "stage" / "Account.zip").string()));
        backup.setPassword("pw");
        backup.setProtection(protect ? 1 : 0);
        ASSERT_TRUE(backup.writeArchive()) << backup.lastError();

        ZipComponent outer, inner;
        ASSERT_TRUE(outer.openArchive(backupPath.string()));
        const auto member = outer.findMember("Account.zip");
        ASSERT_TRUE(member);
        // Only a stored, unencrypted member can be read in place.
        ASSERT_EQ(inner.openArchiveMember(outer, *member), !protect) << inner.lastError();
        if (protect) continue;
        std::vector<std::string> unzipped;
        inner.setNotifications({{}, [&](const std::string& n) { unzipped.push_back(n); }, {}, {}});
        const auto out = dir / "out";
        EXPECT_EQ(inner.unzipAll(out.string()), 300);
        for (int i = 0; i < 300; ++i) {
            const std::string name = "m" + std::to_string(i) + ".eml";
            ASSERT_TRUE(readFile(out / "Inbox" / name) == mixedBytes(3000 + i, i)) << name;
        }
        EXPECT_FALSE(unzipped.empty());
        EXPECT_LT(unzipped.size(), 300u) << "other cores' files are not announced from their threads";

        // A file that cannot be written in another core's stretch fails the whole unpack.
        fs::create_directories(dir / "blocked" / "Inbox" / "m99.eml" / "in the way");
        EXPECT_EQ(inner.unzipAll((dir / "blocked").string()), -1);
        EXPECT_NE(inner.lastError().find("m99.eml"), std::string::npos) << inner.lastError();
    }
}

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "backup/ZipComponent.h"
#include "platform/FsPath.h"
#include "support/TestSupport.h"

using backup::ZipComponent;
using testing_support::readFile;
using testing_support::runCommand;
using testing_support::shellQuote;
using testing_support::TempDir;
using testing_support::writeFile;
namespace fs = std::filesystem;

namespace {

// Text that deflates, but not to nothing.
std::string mail(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string text;
    while (text.size() < size) text += "Line " + std::to_string(random() % 100000) + " of a message\r\n";
    text.resize(size);
    return text;
}

// Packs `folder` as "<name>.zip" into `backup` the way a backup item does.
bool pack(ZipComponent& backup, const fs::path& folder, const fs::path& scratch, std::string* error) {
    ZipComponent packer;
    packer.setFolderArchive(true);
    using platform::pathText;
    const bool ok = packer.newArchive(pathText(scratch / folder.filename()) + ".zip") &&
                    packer.addFiles(pathText(folder / "*.*"), 1) &&
                    backup.addFolderArchive(packer, pathText(folder), 8 << 20);
    *error = packer.lastError().empty() ? backup.lastError() : packer.lastError();
    return ok;
}

// Every member of the backup and of each folder archive in it reads back
// to its end, its CRC checked; the folder archive `name` holds `files`.
void expectSound(const fs::path& backupFile, const std::string& name, std::size_t files) {
    ZipComponent outer;
    ASSERT_TRUE(outer.openArchive(backupFile.string())) << outer.lastError();
    EXPECT_TRUE(outer.testAll()) << outer.lastError();
    const auto member = outer.findMember(name);
    ASSERT_TRUE(member);
    EXPECT_TRUE(member->stored);
    ZipComponent inner;
    ASSERT_TRUE(inner.openArchiveMember(outer, *member)) << inner.lastError();
    EXPECT_TRUE(inner.testAll()) << inner.lastError();
    EXPECT_EQ(inner.members().size(), files);
#ifndef _WIN32
    EXPECT_EQ(runCommand("unzip -tq " + shellQuote(backupFile.string()) + " >/dev/null"), 0);
#endif
}

}  // namespace

TEST(ZipStreamedBackup, AFolderArchiveGoesStraightIntoTheBackupWithTheCrcOfWhatItHolds) {
    TempDir dir;
    const fs::path inbox = dir / "store" / "Inbox", scratch = dir / "scratch";
    fs::create_directories(scratch);
    // A message larger than a chunk: its header is written first and its
    // sizes patched in afterwards, inside the stored member; an empty
    // folder gives a member without data.
    writeFile(inbox / "big.eml", mail(9 << 20, 1));
    writeFile(inbox / "small.eml", mail(3000, 2));
    fs::create_directories(inbox / "Empty");
    writeFile(dir / "store" / "account.oeaccount", mail(500, 3));

    ZipComponent backup;
    const fs::path target = dir / "out" / "all.wlm";
    fs::create_directories(target.parent_path());
    ASSERT_TRUE(backup.newArchive(target.string()));
    std::string error;
    ASSERT_TRUE(pack(backup, inbox, scratch, &error)) << error;
    EXPECT_FALSE(fs::exists(scratch / "Inbox.zip")) << "packed into the backup, not beside it";
    // A name beyond ASCII: the read-back finds it in the directory as written.
    const fs::path deleted = dir / "store" / platform::fsPath("Gel\xC3\xB6scht");
    writeFile(deleted / "old.eml", mail(5000, 5));
    ASSERT_TRUE(pack(backup, deleted, scratch, &error)) << error;
    ASSERT_TRUE(backup.addFiles((dir / "store" / "account.oeaccount").string(), 1)) << backup.lastError();
    ASSERT_TRUE(backup.writeArchive()) << backup.lastError();
    expectSound(target, "Inbox.zip", 3);
    expectSound(target, "Gel\xC3\xB6scht.zip", 1);

    ZipComponent outer, inner;
    ASSERT_TRUE(outer.openArchive(target.string()));
    ASSERT_TRUE(inner.openArchiveMember(outer, *outer.findMember("Inbox.zip")));
    const auto big = inner.findMember("big.eml");
    ASSERT_TRUE(big);
    EXPECT_EQ(inner.readSmallMember(*big, 16 << 20), readFile(inbox / "big.eml"));
    std::vector<std::string> names;
    for (const auto& m : outer.members()) names.push_back(m.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Inbox.zip", "Gel\xC3\xB6scht.zip", "account.oeaccount"}));

    // With a password the folder archive is written apart first, to be
    // encrypted whole.
    ZipComponent protectedBackup;
    ASSERT_TRUE(protectedBackup.newArchive((dir / "out" / "protected.wlm").string()));
    protectedBackup.setPassword("s3cret");
    protectedBackup.setProtection(1);
    ASSERT_TRUE(pack(protectedBackup, inbox, scratch, &error)) << error;
    EXPECT_TRUE(fs::exists(scratch / "Inbox.zip"));
    ASSERT_TRUE(protectedBackup.writeArchive()) << protectedBackup.lastError();
}

TEST(ZipStreamedBackup, AFolderThatCannotBePackedLeavesNothingOfItInTheBackup) {
#ifdef _WIN32
    GTEST_SKIP() << "needs a file whose reading fails, made from /proc";
#endif
    TempDir dir;
    const fs::path bad = dir / "store" / "Alpha", good = dir / "store" / "Beta", scratch = dir / "scratch";
    fs::create_directories(scratch);
    // More than the writer keeps in memory is written before the read fails
    // (noise does not deflate), so the file itself is cut back.
    std::mt19937 random(4);
    std::string noise(3 << 20, '\0');
    for (auto& c : noise) c = static_cast<char>(random());
    writeFile(bad / "a.eml", noise);
    fs::create_symlink("/proc/self/mem", bad / "b.eml");
    writeFile(good / "c.eml", mail(4000, 5));

    ZipComponent backup;
    const fs::path target = dir / "all.wlm";
    ASSERT_TRUE(backup.newArchive(target.string()));
    std::string error;
    EXPECT_FALSE(pack(backup, bad, scratch, &error));
    EXPECT_NE(error.find("b.eml\" cannot be read"), std::string::npos) << error;
    ASSERT_TRUE(pack(backup, good, scratch, &error)) << error;
    ASSERT_TRUE(backup.writeArchive()) << backup.lastError();
    expectSound(target, "Beta.zip", 1);
    const std::string bytes = readFile(target);
    EXPECT_EQ(bytes.substr(30, 8), "Beta.zip") << "the first member where the failed one began";
    EXPECT_LT(bytes.size(), 1u << 20);
    EXPECT_EQ(bytes.find("a.eml"), std::string::npos);
}

// The read-back inflates a large member in the chunks the program's own
// writer cuts; one deflated whole by another writer is checked as one stream.
TEST(ZipStreamedBackup, AFolderArchiveWhoseLargeMemberIsOneStreamReadsBackWhole) {
#ifdef _WIN32
    GTEST_SKIP() << "needs Info-ZIP's zip";
#else
    TempDir dir;
    writeFile(dir / "Inbox" / "big.eml", mail(9 << 20, 4));
    ASSERT_EQ(runCommand("cd " + shellQuote((dir / "Inbox").string()) + " && zip -q -6 ../Inbox.zip big.eml"), 0);
    for (bool damage : {false, true}) {
        if (damage) {
            std::string bytes = readFile(dir / "Inbox.zip");
            bytes[bytes.size() / 2] ^= 0x20;
            writeFile(dir / "Inbox.zip", bytes);
        }
        ZipComponent backup;
        const fs::path target = dir / (damage ? "damaged.wlm" : "all.wlm");
        ASSERT_TRUE(backup.newArchive(target.string()));
        ASSERT_TRUE(backup.addFolderArchive((dir / "Inbox.zip").string()));
        EXPECT_EQ(backup.writeArchive(), !damage) << backup.lastError();
        if (!damage) {
            expectSound(target, "Inbox.zip", 1);
        } else {
            EXPECT_EQ(backup.lastError().find("a member does not inflate in chunks"), std::string::npos)
                << "the stream's own fault, not the chunks': " << backup.lastError();
            EXPECT_FALSE(fs::exists(target));
        }
    }
#endif
}

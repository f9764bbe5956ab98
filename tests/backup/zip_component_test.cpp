#include <gtest/gtest.h>

#include <random>

#include <map>

#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

#include "backup/ZipComponent.h"
#include "platform/Cores.h"
#include "support/RawZip.h"
#include "support/TestSupport.h"

using backup::ZipComponent;
using testing_support::RawEntry;
using testing_support::readFile;
using testing_support::runCommand;
using testing_support::TempDir;
using testing_support::writeFile;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> namesOf(const ZipComponent& zip) {
    std::vector<std::string> names;
    for (const auto& m : zip.members()) names.push_back(m.name);
    return names;
}

std::vector<std::string> filesBelow(const fs::path& root) {
    std::vector<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root)) files.push_back(fs::relative(e.path(), root).string());
    std::sort(files.begin(), files.end());
    return files;
}

std::string quoted(const std::string& s) { return "'" + s + "'"; }

}  // namespace

TEST(ZipComponent, FoldersRoundTripWithRelativeNamesAndNotifications) {
    TempDir dir;
    const auto src = dir / "Account";
    writeFile(src / "Inbox" / "1.eml", "Subject: one\r\n\r\nbody");
    writeFile(src / "Inbox" / "Projects" / "2.eml", std::string(100000, 'x'));
    writeFile(src / "Gr\xC3\xBC\xC3\x9F" "e.eml", "umlaut");
    writeFile(src / "nested.zip", std::string(5000, 'z'));
    fs::create_directories(src / "Empty");
    ZipComponent zip;
    std::vector<std::string> events;
    zip.setNotifications({[&](const std::string& n) { events.push_back("add " + n); },
                          [&](const std::string& n) { events.push_back("unzip " + n); },
                          [&](int p) { events.push_back("progress " + std::to_string(p)); },
                          [&](const std::string& n) { events.push_back("check " + n); }});
    const std::string archive = (dir / "Account.zip").string();
    ASSERT_TRUE(zip.newArchive(archive));
    ASSERT_TRUE(zip.addFiles((src / "*.*").string(), 1));
    EXPECT_FALSE(fs::exists(archive));  // nothing written before writeArchive
    ASSERT_TRUE(zip.writeArchive()) << zip.lastError();
    zip.closeArchive();
    ASSERT_EQ(events.size() >= 9, true);
    EXPECT_EQ(std::vector<std::string>(events.begin(), events.begin() + 4),
              (std::vector<std::string>{"add Gr\xC3\xBC\xC3\x9F" "e.eml", "add Inbox/1.eml", "add Inbox/Projects/2.eml",
                                        "add nested.zip"}));
    // Written, then read back member by member before it takes its place,
    // the largest first, so that no core is left alone with a long one at the end.
    EXPECT_EQ(std::vector<std::string>(events.end() - 4, events.end()),
              (std::vector<std::string>{"check Inbox/Projects/2.eml", "check nested.zip", "check Inbox/1.eml",
                                        "check Gr\xC3\xBC\xC3\x9F" "e.eml"}));
    events.resize(events.size() - 4);
    EXPECT_EQ(events.back(), "progress 100");
    int last = -1;
    for (std::size_t i = 4; i < events.size(); ++i) {
        int p = std::stoi(events[i].substr(9));
        EXPECT_GT(p, last);
        last = p;
    }

    ASSERT_TRUE(zip.openArchive(archive));
    EXPECT_EQ(namesOf(zip), (std::vector<std::string>{"Empty/", "Gr\xC3\xBC\xC3\x9F" "e.eml", "Inbox/1.eml",
                                                      "Inbox/Projects/2.eml", "nested.zip"}));
    auto nested = zip.findMember("nested.zip");
    ASSERT_TRUE(nested);
    EXPECT_EQ(nested->compressedSize, nested->size);  // stored, not compressed again
    auto big = zip.findMember("Inbox/Projects/2.eml");
    ASSERT_TRUE(big);
    EXPECT_LT(big->compressedSize, big->size / 10);
    EXPECT_FALSE(zip.findMember("2.eml"));
    events.clear();
    const auto out = dir / "out";
    EXPECT_EQ(zip.unzipAll(out.string()), 4);
    EXPECT_EQ(filesBelow(out), filesBelow(src));
    EXPECT_EQ(readFile(out / "Inbox" / "Projects" / "2.eml"), std::string(100000, 'x'));
    EXPECT_EQ(events.front(), "unzip Gr\xC3\xBC\xC3\x9F" "e.eml");
    EXPECT_EQ(zip.isProtected(archive), 0);
    EXPECT_EQ(zip.verifyPassword(), 1);
    EXPECT_TRUE(zip.testAll());
    EXPECT_EQ(runCommand("unzip -tq " + quoted(archive)), 0);

    // A single file goes in under its bare name; a missing one adds nothing.
    ASSERT_TRUE(zip.newArchive((dir / "one.zip").string()));
    ASSERT_TRUE(zip.addFiles((src / "Inbox" / "1.eml").string(), 1));
    EXPECT_FALSE(zip.addFiles((src / "missing.eml").string(), 1));
    EXPECT_FALSE(zip.addFiles((src / "Inbox" / "1.eml").string(), 1));  // the same name twice
    // A folder whose files collide half-way adds nothing, so its other names stay free.
    writeFile(dir / "clash" / "0.eml", "zero");
    writeFile(dir / "clash" / "1.eml", "one again");
    EXPECT_FALSE(zip.addFiles((dir / "clash" / "*.*").string(), 1));
    ASSERT_TRUE(zip.addFiles((dir / "clash" / "0.eml").string(), 1));
    ASSERT_TRUE(zip.writeArchive());
    ASSERT_TRUE(zip.openArchive((dir / "one.zip").string()));
    EXPECT_EQ(namesOf(zip), (std::vector<std::string>{"1.eml", "0.eml"}));

    // An empty folder still gives a valid, empty archive.
    fs::create_directories(dir / "none");
    ASSERT_TRUE(zip.newArchive((dir / "none.zip").string()));
    ASSERT_TRUE(zip.addFiles((dir / "none" / "*.*").string(), 1));
    ASSERT_TRUE(zip.writeArchive());
    ASSERT_TRUE(zip.openArchive((dir / "none.zip").string()));
    EXPECT_TRUE(zip.members().empty());
}

// Every public read tells how far it got, from each core that unpacks, and
// one that succeeds ends at exactly the bytes of the members it read.
TEST(ZipComponent, ReadsCountTheirBytesToTheExactTotal) {
    TempDir dir;
    const auto src = dir / "Account";
    std::uint64_t bytes = 0;
    for (int i = 0; i < 300; ++i) {
        const std::string body(100 + static_cast<std::size_t>(i) * 37, static_cast<char>('a' + i % 26));
        writeFile(src / ("m" + std::to_string(i) + ".eml"), body);
        bytes += body.size();
    }
    writeFile(src / "big.eml", std::string(3 << 20, 'b'));  // more than one chunk
    bytes += 3 << 20;
    fs::create_directories(src / "Empty");
    ZipComponent zip;
    const std::string archive = (dir / "Account.zip").string();
    ASSERT_TRUE(zip.newArchive(archive));
    ASSERT_TRUE(zip.addFiles((src / "*.*").string(), 1));
    ASSERT_TRUE(zip.writeArchive()) << zip.lastError();
    ASSERT_TRUE(zip.openArchive(archive));

    std::mutex mutex;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
    std::set<std::thread::id> threads;
    backup::ZipNotifications counting;
    counting.readProgress = [&](std::uint64_t done, std::uint64_t total) {
        std::lock_guard<std::mutex> lock(mutex);
        calls.emplace_back(done, total);
        threads.insert(std::this_thread::get_id());
    };
    zip.setNotifications(counting);

    ASSERT_EQ(zip.unzipAll((dir / "out").string()), 301) << zip.lastError();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), std::make_pair(bytes, bytes));
    std::vector<std::uint64_t> counts;
    for (const auto& [done, total] : calls) {
        EXPECT_EQ(total, bytes);
        EXPECT_LE(done, total);
        counts.push_back(done);
    }
    // Each chunk read anywhere adds to one count: no two calls see the same.
    counts.pop_back();  // the closing call repeats the last
    std::sort(counts.begin(), counts.end());
    EXPECT_EQ(std::adjacent_find(counts.begin(), counts.end()), counts.end());
    EXPECT_EQ(counts.back(), bytes);
    if (platform::coreCount() > 1) {
        EXPECT_GT(threads.size(), 1u);
    }

    calls.clear();
    ASSERT_TRUE(zip.testAll());
    EXPECT_EQ(calls.back(), std::make_pair(bytes, bytes));
    EXPECT_TRUE(std::is_sorted(calls.begin(), calls.end()));
    EXPECT_GT(calls.size(), 300u);

    const auto big = zip.findMember("big.eml");
    ASSERT_TRUE(big);
    calls.clear();
    ASSERT_TRUE(zip.extractMember(*big, (dir / "one").string()));
    ASSERT_GE(calls.size(), 4u);  // 3 MiB in 1 MiB chunks, then the close
    EXPECT_EQ(calls.back(), std::make_pair(big->size, big->size));
    EXPECT_EQ(calls.front().second, big->size);
    EXPECT_LT(calls.front().first, big->size);
    calls.clear();
    ASSERT_TRUE(zip.testMember(*big));
    EXPECT_EQ(calls.back(), std::make_pair(big->size, big->size));
    const auto empty = zip.findMember("Empty/");
    ASSERT_TRUE(empty);
    calls.clear();
    ASSERT_TRUE(zip.testMember(*empty));
    EXPECT_EQ(calls, (std::vector<std::pair<std::uint64_t, std::uint64_t>>{{0, 0}}));

    // Reads that are no such read (the password check, the record) count nothing.
    calls.clear();
    EXPECT_EQ(zip.verifyPassword(), 1);
    EXPECT_TRUE(zip.readSmallMember(*zip.findMember("m1.eml"), 1 << 20));
    EXPECT_TRUE(calls.empty());
}

TEST(ZipComponent, AesProtectionIsCheckedToTheEndAndOpensIn7Zip) {
    TempDir dir;
    writeFile(dir / "src" / "oebackup.dat", "BackupItem=11111111111\r\n");
    writeFile(dir / "src" / "big.eml", std::string(300000, 'm'));
    const std::string archive = (dir / "secret.wlm").string();
    ZipComponent zip;
    ASSERT_TRUE(zip.newArchive(archive));
    ASSERT_TRUE(zip.addFiles((dir / "src" / "*.*").string(), 1));
    zip.setPassword("s3cret pass");
    zip.setProtection(1);
    ASSERT_TRUE(zip.writeArchive()) << zip.lastError();
    EXPECT_EQ(readFile(archive).find("BackupItem"), std::string::npos);

    EXPECT_EQ(zip.isProtected(archive), 1);
    ASSERT_TRUE(zip.openArchive(archive));
    zip.setDecryptionPassword("s3cret pass");
    EXPECT_EQ(zip.verifyPassword(), 1);
    // Many wrong passwords: a few pass the format's two-byte check, none the full read.
    int refused = 0;
    for (int i = 0; i < 400; ++i) {
        zip.setDecryptionPassword("wrong" + std::to_string(i));
        refused += zip.verifyPassword() == 0 ? 1 : 0;
    }
    EXPECT_EQ(refused, 400);
    zip.setDecryptionPassword("wrong0");
    auto member = zip.findMember("oebackup.dat");
    ASSERT_TRUE(member);
    EXPECT_TRUE(member->encrypted);
    EXPECT_FALSE(zip.extractMember(*member, (dir / "out").string()));
    EXPECT_FALSE(fs::exists(dir / "out" / "oebackup.dat"));
    zip.setDecryptionPassword("s3cret pass");
    ASSERT_TRUE(zip.extractMember(*member, (dir / "out").string()));
    EXPECT_EQ(readFile(dir / "out" / "oebackup.dat"), "BackupItem=11111111111\r\n");
    zip.closeArchive();

    EXPECT_EQ(runCommand("7z t -p's3cret pass' " + quoted(archive)), 0);
    EXPECT_NE(runCommand("7z t -pnot-it " + quoted(archive)), 0);
}

// Folder archives are kept as they are, in stored blocks of at most 65535
// bytes; with a password they are encrypted as they are read. Every size
// around a block's end comes out whole, through 7-Zip and through us.
TEST(ZipComponent, StoredMembersWithAPasswordComeOutWholeAtEveryBlockEdge) {
    TempDir dir;
    std::mt19937 rng(21);
    std::map<std::string, std::string> files;
    for (std::size_t size : {0ul, 1ul, 65534ul, 65535ul, 65536ul, 131070ul, 4200001ul}) {
        std::string bytes(size, '\0');
        for (auto& c : bytes) c = static_cast<char>(rng());
        files["f" + std::to_string(size) + ".zip"] = bytes;
        writeFile(dir / "src" / ("f" + std::to_string(size) + ".zip"), bytes);
    }
    const std::string archive = (dir / "stored.wlm").string();
    ZipComponent zip;
    ASSERT_TRUE(zip.newArchive(archive));
    ASSERT_TRUE(zip.addFiles((dir / "src" / "*.*").string(), 1));
    zip.setPassword("pw");
    zip.setProtection(1);
    ASSERT_TRUE(zip.writeArchive()) << zip.lastError();
    ASSERT_EQ(runCommand("7z x -ppw -o" + quoted((dir / "7z").string()) + " " + quoted(archive) + " >/dev/null"), 0);
    ASSERT_TRUE(zip.openArchive(archive));
    zip.setDecryptionPassword("pw");
    for (const auto& [name, bytes] : files) {
        EXPECT_TRUE(readFile(dir / "7z" / name) == bytes) << name;
        const auto member = zip.findMember(name);
        ASSERT_TRUE(member) << name;
        EXPECT_TRUE(member->encrypted);
        ASSERT_TRUE(zip.extractMember(*member, (dir / "ours").string())) << name << ": " << zip.lastError();
        EXPECT_TRUE(readFile(dir / "ours" / name) == bytes) << name;
    }
}

TEST(ZipComponent, NamesThatLeaveTheTargetAreNeverWritten) {
    TempDir dir;
    ZipComponent zip;
    const auto target = dir / "target";
    fs::create_directories(target);
    // Out of the folder, onto a drive or a device, or a name Windows changes.
    for (const std::string hostile : {"../x.txt", "/tmp/abs.txt", "C:\\x.txt", "a/../../x.txt", "..\\x.txt", "C:x.txt",
                                      "a//b.txt", "a/./b.txt", "a/.../b.txt", "NUL", "sub/con.txt", "lpt1", "x.txt.",
                                      "sub /x.txt", "a\tb", "what?.txt", "a|b", "*.eml", "<x>", "\"q\""}) {
        const std::string archive = (dir / "evil.zip").string();
        testing_support::writeRawZip(archive, {{"fine.txt", "data"}, {hostile, "data"}});
        ASSERT_TRUE(zip.openArchive(archive)) << hostile;
        EXPECT_EQ(zip.unzipAll(target.string()), -1) << hostile;
        EXPECT_FALSE(zip.lastError().empty());
        auto m = zip.findMember(hostile);
        ASSERT_TRUE(m) << hostile;
        EXPECT_FALSE(zip.extractMember(*m, target.string())) << hostile;
        zip.closeArchive();
        EXPECT_TRUE(fs::is_empty(target)) << hostile;  // not even the harmless member
        EXPECT_FALSE(fs::exists(dir / "x.txt"));
    }
    // A link entry is never made, so nothing can be written through it.
    const std::string linked = (dir / "link.zip").string();
    testing_support::writeRawZip(linked, {{"out", "/tmp", true}, {"out/x.txt", "data"}});
    ASSERT_TRUE(zip.openArchive(linked));
    EXPECT_EQ(zip.unzipAll(target.string()), -1);
    EXPECT_NE(zip.lastError().find("\"out\" is a link"), std::string::npos) << zip.lastError();
    EXPECT_FALSE(zip.extractMember(*zip.findMember("out"), target.string()));
    EXPECT_TRUE(fs::is_empty(target));

    // Names a restore would refuse never get into a backup either.
    writeFile(dir / "src" / "Inbox" / "aux.eml", "x");
    ASSERT_TRUE(zip.newArchive((dir / "b.zip").string()));
    EXPECT_FALSE(zip.addFiles((dir / "src" / "*.*").string(), 1));
    EXPECT_EQ(zip.lastError(), "the name \"Inbox/aux.eml\" is no file name Windows can hold");
    EXPECT_FALSE(zip.addFiles((dir / "src" / "Inbox" / "aux.eml").string(), 1));
}

TEST(ZipComponent, AMemberCannotWriteFarMoreThanItsDataOrMoreThanItDeclares) {
    TempDir dir;
    ZipComponent zip;
    const auto target = dir / "target";
    // 64 MiB of zeros deflate to about 64 KB: no file of a mail store does that.
    const std::string bomb = (dir / "bomb.zip").string();
    testing_support::writeRawZip(bomb, {{"small.txt", "fine"}, {"zeros.edb", std::string(64u << 20, '\0')}});
    ASSERT_TRUE(zip.openArchive(bomb));
    auto zeros = zip.findMember("zeros.edb");
    ASSERT_TRUE(zeros);
    EXPECT_LT(zeros->compressedSize, 100000u);
    EXPECT_FALSE(zip.checkMember(*zeros));
    EXPECT_EQ(zip.lastError(), "the member \"zeros.edb\" declares 67108864 bytes from " +
                                   std::to_string(zeros->compressedSize) + ", far more than its data can hold");
    EXPECT_EQ(zip.unzipAll(target.string()), -1);
    EXPECT_FALSE(zip.extractMember(*zeros, target.string()));
    EXPECT_FALSE(fs::exists(target / "small.txt"));
    EXPECT_FALSE(fs::exists(target / "zeros.edb"));
    // A pre-allocated file of zeros within the allowance, and ordinary data, still come out.
    const std::string fine = (dir / "fine.zip").string();
    testing_support::writeRawZip(fine,
                                 {{"res1.jrs", std::string(5u << 20, '\0')}, {"a.eml", std::string(300000, 'm')}});
    ASSERT_TRUE(zip.openArchive(fine));
    EXPECT_EQ(zip.unzipAll(target.string()), 2) << zip.lastError();
    EXPECT_EQ(fs::file_size(target / "res1.jrs"), 5u << 20);

    // A header that declares less than the data holds: reading stops past
    // the declared size, and nothing is left behind.
    const std::string liar = (dir / "liar.zip").string();
    testing_support::writeRawZip(liar, {{"lie.eml", std::string(4u << 20, 'x')}});
    testing_support::declareFirstMemberSize(liar, 1000);
    ASSERT_TRUE(zip.openArchive(liar)) << zip.lastError();
    auto lie = zip.findMember("lie.eml");
    ASSERT_TRUE(lie);
    EXPECT_EQ(lie->size, 1000u);
    EXPECT_FALSE(zip.extractMember(*lie, (dir / "out").string()));
    EXPECT_EQ(zip.lastError(), "the member holds more than the 1000 bytes its header declares");
    EXPECT_TRUE(!fs::exists(dir / "out") || fs::is_empty(dir / "out"));
    EXPECT_FALSE(zip.readSmallMember(*lie, 4096));
    EXPECT_EQ(zip.lastError(), "the member holds more than the 1000 bytes its header declares");
    EXPECT_FALSE(zip.testAll());

    // A member read into memory is refused by its declared size before any reading.
    ASSERT_TRUE(zip.openArchive(fine));
    EXPECT_EQ(*zip.readSmallMember(*zip.findMember("a.eml"), 300000), std::string(300000, 'm'));
    EXPECT_FALSE(zip.readSmallMember(*zip.findMember("a.eml"), 299999));
    EXPECT_EQ(zip.lastError(), "the member \"a.eml\" declares 300000 bytes, more than 299999");
}

TEST(ZipComponent, AFailedWriteKeepsTheEarlierArchiveAndLeavesNoTrace) {
    TempDir dir;
    writeFile(dir / "src" / "a.txt", "first");
    const std::string archive = (dir / "out" / "backup.wlm").string();
    fs::create_directories(dir / "out");
    ZipComponent zip;
    ASSERT_TRUE(zip.newArchive(archive));
    ASSERT_TRUE(zip.addFiles((dir / "src" / "a.txt").string(), 1));
    ASSERT_TRUE(zip.writeArchive());
    const std::string before = readFile(archive);

    writeFile(dir / "src" / "b.txt", "vanishes");
    ASSERT_TRUE(zip.newArchive(archive));
    ASSERT_TRUE(zip.addFiles((dir / "src" / "*.*").string(), 1));
    fs::remove(dir / "src" / "b.txt");
    EXPECT_FALSE(zip.writeArchive());
    EXPECT_FALSE(zip.lastError().empty());
    EXPECT_EQ(readFile(archive), before);
    EXPECT_EQ(filesBelow(dir / "out"), (std::vector<std::string>{"backup.wlm"}));

    // Not a zip, a cut-off zip, a missing file: refused with a reason.
    writeFile(dir / "junk.wlm", "plain text, not an archive");
    EXPECT_FALSE(zip.openArchive((dir / "junk.wlm").string()));
    EXPECT_FALSE(zip.lastError().empty());
    writeFile(dir / "cut.wlm", before.substr(0, before.size() / 2));
    EXPECT_FALSE(zip.openArchive((dir / "cut.wlm").string()));
    EXPECT_FALSE(zip.openArchive((dir / "none.wlm").string()));
    EXPECT_EQ(zip.isProtected((dir / "junk.wlm").string()), 0);

    // A damaged member is not extracted, and nothing is left half-written.
    // Incompressible content, so the middle of the archive is member data.
    std::string noise(200000, '\0');
    unsigned seed = 12345;
    for (char& c : noise) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
    writeFile(dir / "src" / "big.txt", noise);
    const std::string damaged = (dir / "damaged.zip").string();
    ASSERT_TRUE(zip.newArchive(damaged));
    ASSERT_TRUE(zip.addFiles((dir / "src" / "big.txt").string(), 1));
    ASSERT_TRUE(zip.writeArchive());
    std::string bytes = readFile(damaged);
    bytes[bytes.size() / 2] ^= 0x55;
    writeFile(damaged, bytes);
    ASSERT_TRUE(zip.openArchive(damaged));
    auto m = zip.findMember("big.txt");
    ASSERT_TRUE(m);
    EXPECT_FALSE(zip.extractMember(*m, (dir / "x").string()));
    EXPECT_FALSE(zip.testAll());
    EXPECT_TRUE(!fs::exists(dir / "x") || fs::is_empty(dir / "x"));
}

// Writes composed images to stdio pseudo-drives through libburn and reads
// them back with an independent reader.
#include "disc/DiscCodes.h"
#include "disc/DiscEngine.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>

using namespace disc;
using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// Collects what the engine reports from its thread.
struct Recorder : DiscEvents {
    std::mutex lock;
    std::vector<int> states;
    std::vector<std::pair<std::string, int>> verified;
    std::vector<ErrorRecord> errors;
    long checked = -1, matched = -1;
    std::function<void()> onVerifyStart;

    void writeState(int state, int) override {
        std::lock_guard<std::mutex> g(lock);
        if (states.empty() || states.back() != state) states.push_back(state);
    }
    void verifyStart(long) override {
        if (onVerifyStart) onVerifyStart();
    }
    void verifyFile(const VerifiedFile& f, int result, long, long) override {
        std::lock_guard<std::mutex> g(lock);
        verified.emplace_back(f.discPath, result);
    }
    void verifyComplete(long c, long m) override {
        checked = c;
        matched = m;
    }
    void writeError(const ErrorRecord& e) override {
        std::lock_guard<std::mutex> g(lock);
        errors.push_back(e);
    }
};

DiscDevice* PseudoDrive(DiscEngine& engine, const std::string& address) {
    for (int i = 0; i < engine.DeviceCount(); ++i) {
        if (engine.Device(i)->Name() == address) return engine.Device(i);
    }
    return nullptr;
}

// Every file below a folder with its contents, by "/"-relative path.
std::map<std::string, std::string> FilesBelow(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (e.is_regular_file()) files[fs::relative(e.path(), root).generic_string()] = readFile(e.path());
    }
    return files;
}

std::string Bytes(std::size_t n, unsigned seed) {
    std::string s(n, '\0');
    for (auto& c : s) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
    return s;
}

}  // namespace

TEST(DiscEngine, WritesAComposedImageThatAnotherReaderReadsBackExactly) {
    TempDir dir;
    writeFile(dir / "src" / "Backup 2026-12-07.wlm", Bytes(3 * 1024 * 1024 + 17, 1));
    writeFile(dir / "src" / "notes.txt", "kept under another name\r\n");
    writeFile(dir / "src" / "Mail" / "Inbox" / "1.eml", Bytes(70000, 2));
    writeFile(dir / "src" / "Mail" / "Inbox" / "drop.eml", "removed before writing");
    writeFile(dir / "src" / "Mail" / "Sent" / "Deep" / "2.eml", "");
    const std::string address = "stdio:" + (dir / "disc.iso").string();
    auto engine = CreateLibburnEngine(address);
    Recorder events;
    engine->setEvents(&events);
    ASSERT_TRUE(engine->InitializeDevices(false));
    DiscDevice* drive = PseudoDrive(*engine, address);
    ASSERT_NE(drive, nullptr);
    EXPECT_TRUE(drive->IsWriter());
    drive->RefreshMedia(true);
    EXPECT_TRUE(drive->Media().IsWritable);
    EXPECT_EQ(drive->Media().MediaType, kStdioFile);
    EXPECT_EQ(drive->WriteSpeedCount(), 0);

    DiscImage& image = engine->Image();
    ASSERT_TRUE(image.AddFile((dir / "src" / "Backup 2026-12-07.wlm").string(), "\\Backup 2026-12-07.wlm"));
    ASSERT_TRUE(image.AddFile((dir / "src" / "notes.txt").string(), "\\notes.txt"));
    ASSERT_TRUE(image.AddFolder((dir / "src" / "Mail").string() + "\\*.*", "\\Mail"));
    ASSERT_TRUE(image.RenameFile("\\notes.txt", "Read me.txt"));
    ASSERT_TRUE(image.RemoveItem("\\Mail\\Inbox\\drop.eml"));
    EXPECT_EQ(image.FileCount(), 4);
    EXPECT_EQ(image.FolderCount(), 4);
    const double size = engine->ImageSize();
    EXPECT_GT(size, 3.0 * 1024 * 1024);
    EXPECT_EQ(static_cast<long long>(size) % kBlockSize, 0);
    EXPECT_GE(drive->FreeBlocks(true) * engine->BlockSize(), size);

    engine->VolumeIdentifier() = "Windows Live Mail Data Backup CD";
    engine->Settings().AutoVerify = true;
    ASSERT_TRUE(engine->StartWrite(drive));
    engine->Wait();
    ASSERT_FALSE(events.states.empty());
    EXPECT_EQ(events.states.front(), kPreparingImage);
    EXPECT_EQ(events.states.back(), kWriteCompleted);
    EXPECT_TRUE(events.errors.empty());
    EXPECT_EQ(events.checked, 4);
    EXPECT_EQ(events.matched, 4);
    ASSERT_EQ(events.verified.size(), 4u);
    EXPECT_EQ(events.verified.front(), (std::pair<std::string, int>{"\\Backup 2026-12-07.wlm", kMatched}));

    const fs::path out = dir / "read-back";
    ASSERT_EQ(runCommand("xorriso -osirrox on -indev " + shellQuote((dir / "disc.iso").string()) +
                         " -extract / " + shellQuote(out.string()) + " >/dev/null 2>&1"), 0);
    auto expected = FilesBelow(dir / "src");
    expected.erase("Mail/Inbox/drop.eml");
    expected["Read me.txt"] = expected["notes.txt"];
    expected.erase("notes.txt");
    EXPECT_EQ(FilesBelow(out), expected);
    EXPECT_TRUE(fs::is_directory(out / "Mail" / "Sent" / "Deep"));
    std::string label;
    runCommand("xorriso -indev " + shellQuote((dir / "disc.iso").string()) + " -pvd_info 2>/dev/null", &label);
    EXPECT_NE(label.find("Windows Live Mail Data Backup CD"), std::string::npos);
}

TEST(DiscEngine, VerificationAndMissingSourcesAreReportedAsFailures) {
    TempDir dir;
    writeFile(dir / "a.wlm", Bytes(200000, 3));
    writeFile(dir / "b.wlm", Bytes(5000, 4));
    const std::string address = "stdio:" + (dir / "disc.iso").string();
    const std::string missing = "stdio:" + (dir / "no such folder" / "disc.iso").string();
    auto engine = CreateLibburnEngine(address + ";" + missing);
    ASSERT_TRUE(engine->InitializeDevices(false));
    EXPECT_EQ(PseudoDrive(*engine, missing), nullptr);
    ASSERT_EQ(engine->DeviceProblems().size(), 1u);
    EXPECT_EQ(engine->DeviceProblems()[0], "The disc drive " + missing + " cannot be used: the folder " +
                                               (dir / "no such folder").string() + " does not exist.");
    DiscDevice* drive = PseudoDrive(*engine, address);
    ASSERT_NE(drive, nullptr);

    // A source that changes between writing and verifying is a mismatch, and the write fails.
    Recorder changed;
    changed.onVerifyStart = [&] { writeFile(dir / "b.wlm", Bytes(5000, 5)); };
    engine->setEvents(&changed);
    ASSERT_TRUE(engine->Image().AddFile((dir / "a.wlm").string(), "\\a.wlm"));
    ASSERT_TRUE(engine->Image().AddFile((dir / "b.wlm").string(), "\\b.wlm"));
    engine->Settings().AutoVerify = true;
    ASSERT_TRUE(engine->StartWrite(drive));
    engine->Wait();
    EXPECT_EQ(changed.verified, (std::vector<std::pair<std::string, int>>{{"\\a.wlm", kMatched},
                                                                          {"\\b.wlm", kContentsDiffer}}));
    EXPECT_EQ(changed.matched, 1);
    EXPECT_EQ(changed.states.back(), kWriteFailed);
    ASSERT_EQ(changed.errors.size(), 1u);
    EXPECT_EQ(changed.errors[0].description, "Verification found 1 of 2 files that do not match their sources.");

    // A source that vanished before the write starts is a source file error; nothing is called written.
    Recorder vanished;
    engine->setEvents(&vanished);
    fs::remove(dir / "a.wlm");
    ASSERT_TRUE(engine->StartWrite(drive));
    engine->Wait();
    EXPECT_EQ(vanished.states, (std::vector<int>{kPreparingImage, kWriteFailed}));
    ASSERT_EQ(vanished.errors.size(), 1u);
    EXPECT_EQ(vanished.errors[0].Category, kSourceFileError);
    EXPECT_EQ(vanished.errors[0].FileError.fileName, (dir / "a.wlm").string());
}

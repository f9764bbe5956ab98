#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/AtomicFile.h"
#include "support/TestSupport.h"

using namespace platform;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;
namespace fs = std::filesystem;

TEST(FileLock, AHolderIsWaitedForAndABusyLockToldFromAMissingFolder) {
    TempDir dir;
    const std::string path = (dir / "run.lock").string();
    auto first = std::make_unique<FileLock>(path);
    ASSERT_TRUE(first->locked());
    {
        FileLock second(path, std::chrono::milliseconds(100));
        EXPECT_FALSE(second.locked());
        EXPECT_TRUE(second.busy());
    }
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        first.reset();
    });
    FileLock third(path, std::chrono::seconds(20));
    release.join();
    EXPECT_TRUE(third.locked());

    FileLock nowhere((dir / "missing" / "run.lock").string(), std::chrono::milliseconds(0));
    EXPECT_FALSE(nowhere.locked());
    EXPECT_FALSE(nowhere.busy());
}

TEST(AtomicFile, ACommittedFileKeepsThePermissionsOfTheOneItReplaces) {
    TempDir dir;
    const auto target = dir / "backup.wlm";
    writeFile(target, "last week");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    const std::string temporary = temporaryPathBeside(target.string());
    writeFile(temporary, "this week");
    fs::permissions(temporary, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
    std::string why;
    ASSERT_TRUE(commitTemporary(temporary, target.string(), &why)) << why;
    EXPECT_EQ(readFile(target), "this week");
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(fs::exists(temporary));
}

TEST(AtomicFile, TemporariesOfDeadWritersGoAndLiveOnesStay) {
    TempDir dir;
    std::string dead;
    ASSERT_EQ(testing_support::runCommand("sh -c 'echo $$'", &dead), 0);  // a process that has ended
    dead = dead.substr(0, dead.find('\n'));
    const std::vector<std::string> gone{"weekly.wlm.tmp-" + dead + "-0-12", "weekly.wlm.tmp-" + dead + "-3-4.Ab12Cd"};
    const std::vector<std::string> kept{"weekly.wlm", "weekly.wlm.tmp-1-0-1", "notes.tmp-" + dead + "-1-2x",
                                        "weekly.wlm.tmp-" + dead + "-0-1.Ab12"};
    for (const auto& name : gone) writeFile(dir / name, "half a backup");
    for (const auto& name : kept) writeFile(dir / name, "kept");
    removeDeadTemporaries(dir.str());
    auto expected = kept;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(testing_support::namesIn(dir.path()), expected);
}

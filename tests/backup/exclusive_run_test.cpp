#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <thread>

#include "backup/ExclusiveRun.h"
#include "items/ItemFixture.h"
#include "items/RestoreLeftovers.h"
#include "platform/Folders.h"

using backup::ExclusiveRun;
using testing_support::ItemFixture;
using testing_support::namesIn;
using testing_support::readFile;
using testing_support::writeFile;
namespace fs = std::filesystem;

namespace {

constexpr std::chrono::milliseconds kNoWait{0};

}  // namespace

// What killed runs left in the program folder goes when the next run starts;
// the user's and the program's own files stay.
TEST(ExclusiveRun, ARunStartsByClearingWhatDeadRunsLeft) {
    ItemFixture f;
    const fs::path home = f.platform.env.programFolder;
    writeFile(home / "run-a1B2c3" / "oebackup.dat", "a dead run's record");
    writeFile(home / "run-a1B2c3" / "folder-archives-Zz9yY8" / "0" / "Alpha.zip", std::string(100000, 'z'));
    writeFile(home / "folder-archives-Qw3Er4" / "0" / "Beta.zip", std::string(100000, 'z'));
    writeFile(home / "OBR1A2B.tmp", "[HKEY_CURRENT_USER]");
    writeFile(home / "OBS9.tmp", "");
    for (const char* kept : {"settings.dat", "brlog.dat", "oebackup.dat", "notes.tmp", "OBR1A2B.txt"}) {
        writeFile(home / kept, "kept");
    }
    writeFile(home / "run-notes" / "x", "kept");
    writeFile(home / "folder-archives-mine" / "x", "kept");
    writeFile(f.store() / "Alpha" / "1.eml", "old");
    const fs::path fresh = platform::makeUniqueFolder(f.store().string(), items::RestoreStagingStem("Alpha"));
    fs::rename(f.store() / "Alpha", items::StandAsideName(fresh.string()));

    {
        ExclusiveRun run(f.ctx, kNoWait);
        ASSERT_TRUE(run.held()) << run.refusal();
        EXPECT_TRUE(run.refusal().empty());
        EXPECT_EQ(fs::path(f.ctx.runFolder).parent_path(), home);
        EXPECT_TRUE(backup::IsRunFolderName(fs::path(f.ctx.runFolder).filename().string()));
        EXPECT_EQ(f.ctx.scratchFolder(), f.ctx.runFolder);
        std::vector<std::string> expected{"OBR1A2B.txt", "brlog.dat", "folder-archives-mine", "notes.tmp",
                                          "oebackup.dat", "run-notes", "run.lock", "settings.dat",
                                          fs::path(f.ctx.runFolder).filename().string()};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(namesIn(home), expected);
        // A restore cut off half-way is put right too.
        EXPECT_EQ(readFile(f.store() / "Alpha" / "1.eml"), "old");
        EXPECT_EQ(namesIn(f.store()), (std::vector<std::string>{"Alpha"}));
    }
    // The run's own folder goes with it.
    EXPECT_TRUE(f.ctx.runFolder.empty());
    EXPECT_EQ(f.ctx.scratchFolder(), home.string());
    EXPECT_EQ(namesIn(home).size(), 8u);
}

namespace {

// The id of a process that has ended, as a killed writer's temporary names it.
std::string deadProcessId() {
    std::string pid;
    testing_support::runCommand("sh -c 'echo $$'", &pid);
    return pid.substr(0, pid.find('\n'));
}

}  // namespace

// Files a killed run was replacing leave their temporaries beside them: the
// run record, the settings, the prefix's registry files. The next run
// removes those of dead writers and logs nothing; a live writer keeps its own.
TEST(ExclusiveRun, TemporariesOfDeadWritersGoAndALiveWritersStay) {
    ItemFixture f;
    const fs::path home = f.platform.env.programFolder;
    const fs::path prefix = f.platform.env.winePrefix;
    const std::string dead = deadProcessId();
    FILE* alive = ::popen("echo $$; exec sleep 60", "r");
    ASSERT_NE(alive, nullptr);
    char pidText[32] = {};
    ASSERT_NE(std::fgets(pidText, sizeof pidText, alive), nullptr);
    const std::string live = std::string(pidText).substr(0, std::string(pidText).find('\n'));
    writeFile(home / ("lastrun.dat.tmp-" + dead + "-0-4711"), "[lastrun]\r\nstate=run");
    writeFile(home / ("settings.dat.tmp-" + dead + "-2-17"), "[Backup]");
    writeFile(prefix / ("user.reg.tmp-" + dead + "-0-99"), "WINE REGISTRY Version 2");
    writeFile(home / ("lastrun.dat.tmp-" + live + "-0-5"), "being written");
    writeFile(home / "lastrun.dat", "[lastrun]");
    writeFile(home / "notes.tmp-1-2", "kept: not a name the program makes");
    {
        ExclusiveRun run(f.ctx, kNoWait);
        ASSERT_TRUE(run.held());
        EXPECT_TRUE(run.leftoversKept().empty());
        std::vector<std::string> expected{"lastrun.dat", "lastrun.dat.tmp-" + live + "-0-5", "notes.tmp-1-2",
                                          "run.lock", fs::path(f.ctx.runFolder).filename().string()};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(namesIn(home), expected);
        EXPECT_FALSE(fs::exists(prefix / ("user.reg.tmp-" + dead + "-0-99")));
        EXPECT_TRUE(fs::exists(prefix / "drive_c"));
    }
    ::kill(std::stoi(live), SIGKILL);
    ::pclose(alive);
}

// A second run never starts while one holds the program folder, and never
// touches its files; it waits as long as it was told to.
TEST(ExclusiveRun, OneRunAtATimePerProgramFolder) {
    ItemFixture f;
    items::ItemContext other(f.platform.env, f.registry, f.Zip1, f.Zip2);
    other.MailStoreRoot = f.ctx.MailStoreRoot;
    auto first = std::make_unique<ExclusiveRun>(f.ctx, kNoWait);
    ASSERT_TRUE(first->held());
    const fs::path firstFolder = f.ctx.runFolder;
    writeFile(firstFolder / "OBR12.tmp", "the first run's export");
    {
        ExclusiveRun second(other, std::chrono::milliseconds(150));
        EXPECT_FALSE(second.held());
        EXPECT_EQ(second.refusal(), "another backup or restore holds the program folder " + f.platform.env.programFolder);
        EXPECT_TRUE(other.runFolder.empty());
    }
    EXPECT_EQ(readFile(firstFolder / "OBR12.tmp"), "the first run's export");

    std::thread end([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        first.reset();
    });
    ExclusiveRun waiting(other, std::chrono::seconds(30));
    end.join();
    EXPECT_TRUE(waiting.held()) << waiting.refusal();
    EXPECT_FALSE(fs::exists(firstFolder));

    // A program folder that cannot hold a lock is named as such.
    f.platform.env.programFolder = (f.dir / "missing").string();
    ExclusiveRun nowhere(f.ctx, kNoWait);
    EXPECT_FALSE(nowhere.held());
    EXPECT_EQ(nowhere.refusal(), "the program folder " + (f.dir / "missing").string() + " cannot be locked");
}

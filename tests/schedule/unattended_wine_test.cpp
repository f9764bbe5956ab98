// The scheduled backup beside a Wine that cannot be asked for its registry:
// it waits for Wine to end, and otherwise fails the registry items, says why
// in the log and exits 1.

#include <gtest/gtest.h>

#include "session/MainSession.h"
#include "platform/WineRegistry.h"
#include "schedule/UnattendedBackupRun.h"
#include "support/TestEnvironment.h"

using testing_support::readFile;
using testing_support::TempDir;
namespace fs = std::filesystem;

namespace {

platform::Environment sampleProfile(const fs::path& root) {
    testing_support::makeSamplePrefix(root / "prefix", {"--user", "owner", "--accounts", "1", "--messages", "2"});
    return testing_support::makeEnvironment(root);
}

struct StaleWine {
    StaleWine() {
        testing_support::writeFile(dir / "home" / "settings.dat", "[autobackup]\r\nautobackupfile=0\r\n");
        wine.isRunning = true;
        wine.canAsk = false;
    }
    int run() {
        platform::WineRegistry registry(env.winePrefix, &wine);
        platform::Services services{env, registry, dialogs, launcher, processes, wine};
        session::MainSession session(services, " sf=ownerxm=01000001000ps=bf=" + target);
        session.Load();
        return schedule::UnattendedBackupRun(session);
    }
    std::string log() const { return readFile(dir / "home" / "brlog.dat"); }

    TempDir dir;
    platform::Environment env = sampleProfile(dir.path());
    platform::ScriptedDialogs dialogs;
    platform::RecordingLauncher launcher;
    platform::RecordingProcesses processes;
    platform::ScriptedWineServer wine{env.winePrefix};
    std::string target = (dir / "weekly.wlm").string();
};

}  // namespace

TEST(UnattendedBackupRun, WaitsForAWineItCannotAskAndFailsTheRegistryItemsWhenItStays) {
    StaleWine s;
    EXPECT_EQ(s.run(), schedule::kUnattendedItemFailed);
    EXPECT_EQ(s.wine.waits, 1);
    EXPECT_EQ(s.wine.endRequests, 0);  // a user's programs are never ended
    ASSERT_TRUE(fs::exists(s.target));  // the archive is written, with what could be read
    const std::string log = s.log();
    EXPECT_NE(log.find(" Backup Mail Rules Fail! (Wine is running in the prefix " + s.env.winePrefix +
                       " and its registry could not be read through Wine (wine could not be started)"),
              std::string::npos) << log;
    EXPECT_NE(log.find(" Backup Signatures Fail! ("), std::string::npos) << log;
    EXPECT_EQ(log.find("Succeeded!"), std::string::npos) << log;
}

TEST(UnattendedBackupRun, AWineThatEndsWhileWaitedForLeavesTheFilesToRead) {
    StaleWine s;
    s.wine.exitsWhenWaitedFor = true;
    EXPECT_EQ(s.run(), schedule::kUnattendedSucceeded) << s.log();
    EXPECT_EQ(s.wine.waits, 1);
    EXPECT_NE(s.log().find(" Backup Mail Rules Succeeded!"), std::string::npos) << s.log();
    EXPECT_EQ(s.log().find("Fail!"), std::string::npos);
}

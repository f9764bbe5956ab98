#include <gtest/gtest.h>

#include "config/OperationTime.h"
#include "backup/BackupRun.h"
#include "backup/ExclusiveRun.h"
#include "items/ItemFixture.h"
#include "restore/RestoreRun.h"

using namespace restore;
using testing_support::ItemFixture;
using testing_support::readFile;
using testing_support::writeFile;
namespace fs = std::filesystem;

namespace {

struct RestoreFixture : ItemFixture {
    RestoreFixture() {
        config::PinCurrentDateTimeForTests(QDateTime(QDate(2026, 12, 5), QTime(8, 0, 0)));
        writeFile(store() / "Calendars" / "Home" / "a.ics", "calendar");
        writeFile(stationery() / "paper.htm", "<html>");
        backup::BackupRequest r;
        r.targetFile = archivePath();
        r.chosen[items::kStationeries] = r.chosen[items::kCalendars] = true;
        auto outcome = backup::RunBackupItems(ctx, r, backup::kManualRunTexts, log, {});
        EXPECT_TRUE(outcome.archiveWritten);
        fs::remove(log.path());
        EXPECT_TRUE(Zip1.openArchive(archivePath()));
        state.RestoreSourceFile = archivePath();
        state.RestoreItemFlags = outcome.ItemFlags;
        ctx.RestoreItemMembers[items::kStationeries] = "paper.htm";
        ctx.RestoreItemMembers[items::kCalendars] = "Home.zip";
        ctx.InfoRecordPath = platform.env.programFile("oebackup.dat");  // where opening a backup stages it
        writeFile(ctx.InfoRecordPath, "staged record");
    }
    ~RestoreFixture() { config::PinCurrentDateTimeForTests(QDateTime()); }
    backup::OperationLog log = backup::OperationLog::of(platform.env);
    RestoreState state;
};

}  // namespace

TEST(RestoreRun, OnlyCalendarsMovesTheBarAndLogsInOrder) {
    RestoreFixture f;
    fs::remove_all(f.store() / "Calendars");
    RestoreRequest request;
    request.ticked[items::kCalendars] = true;
    request.userName = "owner";
    std::vector<int> steps;
    std::vector<std::string> statuses;
    auto outcome = RunRestoreItems(f.ctx, f.state, request, f.log,
                                   {[&](const std::string& s) { statuses.push_back(s); }, [&](int n) { steps.push_back(n); }});
    EXPECT_EQ(steps.front(), 5);
    int total = 0;
    for (int n : steps) total += n;
    EXPECT_EQ(total, 79);
    EXPECT_EQ(std::vector<int>(steps.begin() + 1, steps.begin() + 4), (std::vector<int>{15, 10, 4}));
    EXPECT_EQ(statuses, (std::vector<std::string>{"Copying Calendars..."}));
    EXPECT_EQ(RestoreCompletionMessage(outcome), "The Restore was Completed!\r\n\r\nRestore Calendars\tSuccessed!");
    EXPECT_EQ(readFile(f.store() / "Calendars" / "Home" / "a.ics"), "calendar");
    const std::string stamp = "12/5/2026 8:00:00 AM";
    EXPECT_EQ(readFile(f.log.path()), std::string(84, '.') + "\r\r\n" + stamp +
                                          " Start Retore Data to User Profile owner\n\r\n" + stamp +
                                          " Restore File is " + f.archivePath() + "\n\r\n" + stamp +
                                          " Restore Calendars Succeeded!\n\r\n" + stamp +
                                          " Restore Data to User Profile owner was Completed!\r\r\n");
    EXPECT_FALSE(fs::exists(f.ctx.InfoRecordPath));  // the staged record goes
}

TEST(RestoreRun, AFailedItemDoesNotStopTheLaterOnesAndAbsentItemsAreSkipped) {
    RestoreFixture f;
    RestoreRequest request;
    request.ticked.fill(true);  // ticked, but only two are in the backup
    request.userName = "owner";
    f.ctx.RestoreItemMembers[items::kStationeries] = "missing.htm";
    fs::remove_all(f.store() / "Calendars");
    auto outcome = RunRestoreItems(f.ctx, f.state, request, f.log, {});
    EXPECT_FALSE(outcome.allSucceeded);
    EXPECT_EQ(outcome.summary, "\r\nRestore Stationeries\tFail!\r\nRestore Calendars\tSuccessed!");
    EXPECT_TRUE(fs::exists(f.store() / "Calendars" / "Home" / "a.ics"));
    EXPECT_EQ(backup::LoadLogList(f.log.path()).size(), 6u);

    EXPECT_EQ(ValidateRestore(f.state, {})->text, "Please select at least one item.");
    f.state.InvalidBackupFile = true;
    EXPECT_EQ(ValidateRestore(f.state, request)->text, "Invalid backup file.");
    EXPECT_EQ(ValidateRestore(f.state, request)->icon, platform::Icon::Critical);
}

// A restore starts by putting right what a killed one left, and restores
// nothing while another run holds the program folder.
TEST(RestoreRun, PutsRightAKilledRestoreFirstAndWaitsItsTurn) {
    RestoreFixture f;
    RestoreRequest request;
    request.ticked[items::kStationeries] = true;
    request.userName = "owner";
    const fs::path calendars = f.store() / "Calendars";
    const fs::path aside = calendars / ".Home.restore-Xy12Zz.old";
    fs::rename(calendars / "Home", aside);
    {
        items::ItemContext other(f.platform.env, f.registry, f.Zip1, f.Zip2);
        backup::ExclusiveRun first(other, std::chrono::milliseconds(0));
        ASSERT_TRUE(first.held());
        auto outcome = RunRestoreItems(f.ctx, f.state, request, f.log, {});
        const std::string why = "another backup or restore holds the program folder " + f.platform.env.programFolder;
        EXPECT_EQ(outcome.refused, why);
        EXPECT_FALSE(outcome.allSucceeded);
        EXPECT_EQ(RestoreCompletionMessage(outcome), "Nothing was restored:\r\n\r\n" + why);
        EXPECT_EQ(backup::LoadLogList(f.log.path()).back().find(" Nothing was restored: " + why), 20u);
        EXPECT_TRUE(fs::exists(aside));  // not this run's to touch
    }
    auto outcome = RunRestoreItems(f.ctx, f.state, request, f.log, {});
    EXPECT_TRUE(outcome.refused.empty());
    EXPECT_EQ(outcome.summary, "\r\nRestore Stationeries\tSuccessed!");
    EXPECT_EQ(readFile(calendars / "Home" / "a.ics"), "calendar");
    EXPECT_FALSE(fs::exists(aside));
}

#include <gtest/gtest.h>

#include <mutex>
#include <tuple>

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
        config::PinCurrentDateTimeForTests(config::DateTime::fromLocalFields({2026, 12, 5, 8, 0, 0}));
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
    ~RestoreFixture() { config::PinCurrentDateTimeForTests({}); }
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

// The reads a restore plans are the ones its items then make, member by
// member in the same order; a member the backup lacks is announced but
// reads nothing, and a folder archive stored as it is opens where it lies.
TEST(RestoreRun, ThePlannedReadsAreTheReadsTheItemsMake) {
    RestoreFixture f;
    RestoreRequest request;
    request.ticked.fill(true);
    request.userName = "owner";
    f.ctx.RestoreItemMembers[items::kStationeries] = "paper.htm; missing.htm";
    const auto plan = PlanRestoreReads(f.ctx, f.state, request);
    const auto paper = f.Zip1.findMember("paper.htm");
    const auto home = f.Zip1.findMember("Home.zip");
    ASSERT_TRUE(paper && home);
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(std::tie(plan[0].item, plan[0].member, plan[0].size, plan[0].whole, plan[0].unpacked),
              std::make_tuple(std::size_t{items::kStationeries}, std::string("paper.htm"), paper->size, true, false));
    EXPECT_EQ(std::tie(plan[1].item, plan[1].member, plan[1].size, plan[1].whole, plan[1].unpacked),
              std::make_tuple(std::size_t{items::kCalendars}, std::string("Home.zip"), home->size, false, true));

    // A read that ends says so with its last chunk and again once checked: one event.
    std::vector<std::string> events;
    auto note = [&](const std::string& event) {
        if (events.empty() || events.back() != event) events.push_back(event);
    };
    f.ctx.restoringMember = [&](std::size_t item, const std::string& member) {
        events.push_back(std::to_string(item) + " " + member);
    };
    backup::ZipNotifications fromBackup, fromFolder;
    fromBackup.readProgress = [&](std::uint64_t done, std::uint64_t total) {
        if (done == total) note("whole " + std::to_string(total));
    };
    std::mutex mutex;
    fromFolder.readProgress = [&](std::uint64_t done, std::uint64_t total) {
        std::lock_guard<std::mutex> lock(mutex);
        if (done == total) note("files");
    };
    f.Zip1.setNotifications(fromBackup);
    f.Zip2.setNotifications(fromFolder);
    fs::remove_all(f.store() / "Calendars");
    auto outcome = RunRestoreItems(f.ctx, f.state, request, f.log, {});
    EXPECT_EQ(outcome.summary, "\r\nRestore Stationeries\tFail!\r\nRestore Calendars\tSuccessed!");
    EXPECT_EQ(events, (std::vector<std::string>{"8 paper.htm", "whole " + std::to_string(paper->size),
                                                "8 missing.htm", "10 Home.zip", "files"}));
}

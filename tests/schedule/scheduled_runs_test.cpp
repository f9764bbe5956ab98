#include <gtest/gtest.h>

#include <filesystem>

#include "platform/AnsiText.h"
#include "schedule/BackupRetention.h"
#include "schedule/ScheduledRunRecord.h"
#include "schedule/ScheduledRunStatus.h"
#include "support/TestEnvironment.h"

using namespace schedule;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

config::DateTime at(int year, int month, int day, int hour, int minute) {
    return config::DateTime::fromFields({year, month, day, hour, minute, 0}, 3600);
}

// Times as the report prints them, in this machine's own zone.
std::string shown(const config::DateTime& when) { return config::GeneralDateText(when.toLocal()); }

bool neverAlive(long) { return false; }
bool alwaysAlive(long) { return true; }

}  // namespace

TEST(ScheduledRunRecord, StartAndEndReplaceTheOutcomeAndKeepTheLastSuccessAndTheTaskDate) {
    TempDir dir;
    const std::string path = (dir / "lastrun.dat").string();
    EXPECT_FALSE(LoadRunRecord(path));
    ASSERT_TRUE(RecordTaskSince(path, at(2026, 11, 1, 9, 0)));
    EXPECT_EQ(readFile(path), "[lastrun]\r\nlastsuccess=\r\ntasksince=2026-11-01T09:00:00+01:00\r\n");
    EXPECT_FALSE(LoadRunRecord(path)->hasRun());

    // A run that starts leaves "running" with its process behind, until it ends.
    ASSERT_TRUE(RecordRunStart(path, at(2026, 12, 5, 21, 30), 4242));
    EXPECT_EQ(readFile(path), "[lastrun]\r\nstate=running\r\npid=4242\r\nstarted=2026-12-05T21:30:00+01:00\r\n"
                              "lastsuccess=\r\ntasksince=2026-11-01T09:00:00+01:00\r\n");
    ASSERT_TRUE(RecordRunEnd(path, at(2026, 12, 5, 21, 34), {0, {}, "/b/weekly.wlm", ""}));
    EXPECT_EQ(readFile(path), "[lastrun]\r\nstate=finished\r\nstarted=2026-12-05T21:30:00+01:00\r\n"
                              "finished=2026-12-05T21:34:00+01:00\r\nstatus=0\r\nfailed=\r\narchive=/b/weekly.wlm\r\n"
                              "reason=\r\nlastsuccess=2026-12-05T21:34:00+01:00\r\n"
                              "tasksince=2026-11-01T09:00:00+01:00\r\n");

    // A failing run a week later: its items and file; the success stays where it was.
    platform::SetAnsiCodePage(1252);
    RecordRunStart(path, at(2026, 12, 12, 21, 30), 4343);
    RecordRunEnd(path, at(2026, 12, 12, 21, 31),
                 {1, {"Mail Rules", "Contacts"}, "/b/Почта/weekly.wlm", "line one\r\nline two"});
    const auto r = LoadRunRecord(path);
    ASSERT_TRUE(r);
    EXPECT_FALSE(r->running);
    EXPECT_EQ(r->status, 1);
    EXPECT_EQ(r->failedItems, (std::vector<std::string>{"Mail Rules", "Contacts"}));
    // A name the code page lacks still shows, marked, rather than costing the record.
    EXPECT_EQ(r->archive, "/b/<U+041F><U+043E><U+0447><U+0442><U+0430>/weekly.wlm");
    EXPECT_EQ(r->reason, "line one  line two");  // one line, so the record stays readable
    EXPECT_EQ(r->started, at(2026, 12, 12, 21, 30));
    EXPECT_EQ(r->lastSuccess, at(2026, 12, 5, 21, 34));
    EXPECT_EQ(r->taskSince, at(2026, 11, 1, 9, 0));

    // Foreign or damaged lines are passed over, not taken as a run.
    writeFile(path, "garbage\r\n[lastrun]\r\nstatus=abc\r\nstarted=yesterday\r\n");
    EXPECT_FALSE(LoadRunRecord(path)->hasRun());
}

TEST(ScheduledRunReport, SaysWhatFailedAndWhenAndStaysQuietWhenAllIsWell) {
    const config::DateTime now = at(2026, 12, 7, 10, 0);
    ScheduledRunRecord ok;
    ok.started = at(2026, 12, 5, 21, 30);
    ok.finished = at(2026, 12, 5, 21, 34);
    ok.archive = "/b/weekly.wlm";
    ok.lastSuccess = ok.finished;
    auto report = ReportScheduledRuns(ok, true, now, neverAlive);
    EXPECT_FALSE(report.needsAttention);
    EXPECT_EQ(report.text, "The last scheduled backup, " + shown(ok.finished) + ", succeeded: /b/weekly.wlm");

    report = ReportScheduledRuns(std::nullopt, false, now, neverAlive);
    EXPECT_FALSE(report.needsAttention);
    EXPECT_EQ(report.text, "No scheduled backup has run yet.\r\nNo weekly backup task is scheduled.");
    EXPECT_EQ(ReportScheduledRuns(std::nullopt, std::nullopt, now, neverAlive).text,
              "No scheduled backup has run yet.\r\nWhether a weekly task exists could not be found out.");

    ScheduledRunRecord itemFailed = ok;
    itemFailed.status = 1;
    itemFailed.failedItems = {"Mail Rules", "Contacts"};
    report = ReportScheduledRuns(itemFailed, true, now, neverAlive);
    EXPECT_TRUE(report.needsAttention);
    EXPECT_EQ(report.text, "The scheduled backup of " + shown(ok.finished) + " did not back up every item.\r\n"
                           "Failed: Mail Rules, Contacts.\r\nBackup file: /b/weekly.wlm\r\n"
                           "The Logs tab and brlog.dat tell more.");

    ScheduledRunRecord notWritten = ok;
    notWritten.status = 2;
    notWritten.reason = "No space left on device";
    report = ReportScheduledRuns(notWritten, true, now, neverAlive);
    EXPECT_TRUE(report.needsAttention);
    EXPECT_EQ(report.text.rfind("The scheduled backup of " + shown(ok.finished) +
                                    " failed: no backup file was written.\r\nNo space left on device\r\n",
                                0),
              0u)
        << report.text;

    // Still marked running: killed, unless its process is still at work.
    ScheduledRunRecord running;
    running.running = true;
    running.processId = 77;
    running.started = at(2026, 12, 5, 21, 30);
    running.lastSuccess = at(2026, 11, 28, 21, 34);
    EXPECT_TRUE(ReportScheduledRuns(running, false, now, neverAlive).needsAttention);
    EXPECT_NE(ReportScheduledRuns(running, false, now, neverAlive).text.find(" did not finish"), std::string::npos);
    running.started = at(2026, 12, 7, 9, 40);
    EXPECT_FALSE(ReportScheduledRuns(running, false, now, alwaysAlive).needsAttention);
    running.started = at(2026, 12, 6, 9, 0);  // "running" for more than a day: its id belongs to another process now
    EXPECT_TRUE(ReportScheduledRuns(running, false, now, alwaysAlive).needsAttention);

    // A task that exists but has not succeeded for more than eight days.
    ScheduledRunRecord silent;
    silent.lastSuccess = at(2026, 11, 29, 9, 0);  // 8 days and 1 hour before now
    report = ReportScheduledRuns(silent, true, now, neverAlive);
    EXPECT_TRUE(report.needsAttention);
    EXPECT_NE(report.text.find("No scheduled backup has succeeded for more than 8 days, since " +
                               shown(silent.lastSuccess) + ", although the weekly task exists."),
              std::string::npos)
        << report.text;
    EXPECT_FALSE(ReportScheduledRuns(silent, false, now, neverAlive).needsAttention);  // no task: no schedule to miss
    silent.lastSuccess = at(2026, 11, 29, 11, 0);  // 7 days and 23 hours
    EXPECT_FALSE(ReportScheduledRuns(silent, true, now, neverAlive).needsAttention);
    // A task made anew after a long silence gets its own eight days.
    silent.lastSuccess = at(2026, 10, 1, 9, 0);
    silent.taskSince = at(2026, 12, 3, 9, 0);
    EXPECT_FALSE(ReportScheduledRuns(silent, true, now, neverAlive).needsAttention);
    silent.taskSince = at(2026, 11, 20, 9, 0);
    EXPECT_NE(ReportScheduledRuns(silent, true, now, neverAlive).text.find("since the weekly task was set up on " +
                                                                           shown(silent.taskSince)),
              std::string::npos);
    // Never a success: counted from the day the task was made.
    ScheduledRunRecord never;
    never.taskSince = at(2026, 11, 20, 9, 0);
    report = ReportScheduledRuns(never, true, now, neverAlive);
    EXPECT_TRUE(report.needsAttention);
    EXPECT_NE(report.text.find("since the weekly task was set up on " + shown(never.taskSince)), std::string::npos);
    never.taskSince = at(2026, 12, 1, 9, 0);
    EXPECT_FALSE(ReportScheduledRuns(never, true, now, neverAlive).needsAttention);
}

TEST(BackupRetention, OnlyTheTargetsOwnDatedNamesGoAndTheOldestByTheirDateFirst) {
    const std::vector<std::string> names{
        "weekly-12-05-2026-21-30.wlm",   // new, just written
        "weekly-01-05-2026-21-30.wlm",   // January 2026: older than any December
        "weekly-12-28-2025-21-30.wlm",   // sorts last by text, first by date
        "weekly-11-28-2026-21-30.wlm",
        "weekly-11-21-2026-21-30.wlm",
        "weekly.wlm",                    // the undated target
        "weekly-copy-11-01-2020-21-30.wlm",
        "weekly-13-01-2020-21-30.wlm",   // no month 13
        "weekly-11-01-2020-21-30.WLM",
        "weekly-11-01-2020-21-30.wlm.bak",
        "weekly-11-01-20x0-21-30.wlm",
        "other-11-01-2020-21-30.wlm",
    };
    EXPECT_EQ(DatedBackupsBeyond(names, "weekly.wlm", "weekly-12-05-2026-21-30.wlm", 3),
              (std::vector<std::string>{"weekly-12-28-2025-21-30.wlm", "weekly-01-05-2026-21-30.wlm"}));
    EXPECT_EQ(DatedBackupsBeyond(names, "weekly.wlm", "weekly-12-05-2026-21-30.wlm", 1).size(), 4u);
    EXPECT_TRUE(DatedBackupsBeyond(names, "weekly.wlm", "weekly-12-05-2026-21-30.wlm", 0).empty());
    EXPECT_TRUE(DatedBackupsBeyond(names, "weekly.wlm", "weekly-12-05-2026-21-30.wlm", 5).empty());
    // A clock set back makes the new backup look oldest: it stays all the same.
    EXPECT_EQ(DatedBackupsBeyond(names, "weekly.wlm", "weekly-01-05-2026-21-30.wlm", 2),
              (std::vector<std::string>{"weekly-12-28-2025-21-30.wlm", "weekly-11-21-2026-21-30.wlm",
                                        "weekly-11-28-2026-21-30.wlm"}));

    TempDir dir;
    platform::Environment env = testing_support::makeEnvironment(dir.path());
    // The backup a dated one copies unchanged files from: the newest by date, never itself.
    for (const auto& name : names) writeFile(dir / "out" / name, "x");
    const std::string justWritten = (dir / "out" / "weekly-12-06-2026-09-00.wlm").string();
    EXPECT_EQ(NewestDatedBackup(env, (dir / "out" / "weekly.wlm").string(), justWritten),
              (dir / "out" / "weekly-12-05-2026-21-30.wlm").string());
    EXPECT_EQ(NewestDatedBackup(env, (dir / "out" / "weekly.wlm").string(),
                                (dir / "out" / "weekly-12-05-2026-21-30.wlm").string()),
              (dir / "out" / "weekly-11-28-2026-21-30.wlm").string());
    EXPECT_EQ(NewestDatedBackup(env, (dir / "out" / "daily.wlm").string(), (dir / "out" / "daily-x.wlm").string()), "");
    EXPECT_EQ(KeepBackupsSetting(env), 0);
    for (const char* text : {"3", " 3 ", "-2", "two", "0"}) {
        writeFile(dir / "home" / "settings.dat", std::string("[autobackup]\r\nkeepbackups=") + text + "\r\n");
        EXPECT_EQ(KeepBackupsSetting(env), std::string(text).find('3') != std::string::npos ? 3 : 0) << text;
    }
}

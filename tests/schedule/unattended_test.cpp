#include <gtest/gtest.h>

#include <thread>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>

#include "session/MainSession.h"
#include "backup/ExclusiveRun.h"
#include "backup/ZipComponent.h"
#include "items/Catalogue.h"
#include "platform/AtomicFile.h"
#include "platform/ScriptedDialogs.h"
#include "platform/WineRegistry.h"
#include "schedule/CrontabScheduler.h"
#include "schedule/SchedulePlan.h"
#include "schedule/ScheduledRunRecord.h"
#include "schedule/UnattendedBackupRun.h"
#include "support/TestEnvironment.h"

using namespace schedule;
using testing_support::readFile;
using testing_support::runCommand;
using testing_support::TempDir;
using testing_support::namesIn;
using testing_support::writeFile;
namespace fs = std::filesystem;

TEST(UnattendedCommandLine, SplitsAtEveryEqualsSign) {
    auto c = ParseUnattendedCommandLine(" sf=ownerxm=11000000001ps=s3cretbf=C:\\Backups\\a.wlm");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->user, "owner");
    EXPECT_EQ(c->mask, "11000000001");
    EXPECT_EQ(c->password, "s3cret");
    EXPECT_EQ(c->target, "C:\\Backups\\a.wlm");
    EXPECT_EQ(ParseUnattendedCommandLine(" sf=ownerxm=1ps=bf=/x.wlm")->password, "");
    EXPECT_FALSE(ParseUnattendedCommandLine(" sf=ownerxm=ps=bf=/x.wlm"));      // empty mask
    EXPECT_FALSE(ParseUnattendedCommandLine(" sf=ownerxm=1ps=bf="));           // empty target
    EXPECT_FALSE(ParseUnattendedCommandLine("=ownerxm=1ps=bf=/x.wlm"));        // empty key
    EXPECT_FALSE(ParseUnattendedCommandLine(" sf=ownerxm=1ps=x"));             // four parts
    // An "=" in the password shifts every later part.
    auto shifted = ParseUnattendedCommandLine(" sf=ownerxm=1ps=a=bbf=/x.wlm");
    ASSERT_TRUE(shifted);
    EXPECT_EQ(shifted->password, "");  // "a" lost the two letters it does not have
    EXPECT_EQ(shifted->target, "b");   // "bbf" minus the next key's name
}

TEST(UnattendedCommandLine, DatedNamesFollowTheTarget) {
    const auto when = config::DateTime::fromLocalFields({2026, 12, 5, 21, 30, 0});
    EXPECT_EQ(DatedTargetFile("/b/livemailbak-owner.wlm", when), "/b/livemailbak-owner-12-05-2026-21-30.wlm");
    EXPECT_EQ(DatedTargetFile("/b/backup.zip1", when), "/b/backup.-12-05-2026-21-30.wlm");
}

namespace {

struct Scheduled {
    explicit Scheduled(const std::vector<std::string>& profile = {"--accounts", "2", "--messages", "3"}) {
        std::vector<std::string> args{"--user", "owner"};
        args.insert(args.end(), profile.begin(), profile.end());
        testing_support::makeSamplePrefix(dir / "prefix", args);
        fs::create_directories(dir / "home");
        fs::create_directories(dir / "out");
    }
    int run(const std::string& commandLine, std::string* out) {
        return runCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM USERPROFILE='C:\\users\\owner' "
                          "WINEPREFIX='" + (dir / "prefix").string() + "' TARNHOLD_HOME='" + (dir / "home").string() +
                          "' timeout 120 '" TARNHOLD_BINARY "' '" + commandLine + "'", out);
    }
    std::vector<std::string> members(const std::string& archive, const std::string& password = "") {
        std::string out;
        runCommand("7z l -slt -p'" + password + "' '" + archive + "' | sed -n 's/^Path = //p'", &out);
        std::vector<std::string> names;
        std::size_t start = out.find('\n') + 1;  // the first Path is the archive itself
        while (start < out.size()) {
            auto end = out.find('\n', start);
            names.push_back(out.substr(start, end - start));
            start = end + 1;
        }
        return names;
    }
    TempDir dir;
};

}  // namespace

TEST(UnattendedBackupRun, BacksUpTheMaskedItemsWithoutAWindow) {
    Scheduled s;
    writeFile(s.dir / "home" / "settings.dat", "[autobackup]\r\nautobackupfile=0\r\n");
    const std::string target = (s.dir / "out" / "weekly.wlm").string();
    writeFile(target, "last week's backup");
    std::string out;
    ASSERT_EQ(s.run(" sf=ownerxm=01000001ps=pa55bf=" + target, &out), 0) << out;
    EXPECT_EQ(s.members(target, "pa55").size(), 3u);  // two registry exports and the record
    EXPECT_EQ(runCommand("7z t -ppa55 '" + target + "' >/dev/null"), 0);
    EXPECT_NE(runCommand("7z t -pwrong '" + target + "' >/dev/null"), 0);
    const std::string log = readFile(s.dir / "home" / "brlog.dat");
    std::string user;
    runCommand("id -un | tr -d '\\n'", &user);  // the log names the login account
    EXPECT_NE(log.find(" Start Auto Backup User Profile " + user + " Data...\n\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" Backup Mail Rules Succeeded!\n\r\n"), std::string::npos);
    EXPECT_NE(log.find(" Backup Signatures Succeeded!\n\r\n"), std::string::npos);
    EXPECT_NE(log.find(" Auto Backup User Profile " + user + " Data was Completed!\r\r\n"), std::string::npos);
    EXPECT_EQ(log.find("Backup Contacts"), std::string::npos);  // not in the mask: nothing logged
    EXPECT_FALSE(fs::exists(s.dir / "home" / "oebackup.dat"));

    // All zeros: an archive holding only the record. The dated name is used
    // when the setting is missing, and the undated file is left alone.
    fs::remove(s.dir / "home" / "settings.dat");
    ASSERT_EQ(s.run(" sf=ownerxm=00000000000ps=bf=" + target, &out), 0) << out;
    std::vector<fs::path> dated;
    for (const auto& e : fs::directory_iterator(s.dir / "out")) {
        if (e.path().filename() != "weekly.wlm") dated.push_back(e.path());
    }
    ASSERT_EQ(dated.size(), 1u);
    EXPECT_EQ(dated[0].filename().string().rfind("weekly-", 0), 0u);
    EXPECT_EQ(s.members(dated[0].string()), (std::vector<std::string>{"oebackup.dat"}));
    EXPECT_EQ(runCommand("unzip -p '" + dated[0].string() + "' oebackup.dat | grep -q '^BackupItem=00000000000'"), 0);
    EXPECT_EQ(runCommand("unzip -p '" + dated[0].string() + "' oebackup.dat | grep -q '^BackupInformation=Auto Backup'"), 0);

    // A folder that does not exist: nothing written, the run says so.
    EXPECT_EQ(s.run(" sf=ownerxm=1ps=bf=" + (s.dir / "missing" / "x.wlm").string(), &out), 2) << out;
    EXPECT_NE(readFile(s.dir / "home" / "brlog.dat").find("was not written"), std::string::npos);
}

namespace {

// A crontab program over the file `table`, and the task scheduler over it.
struct ScheduledCrontab {
    explicit ScheduledCrontab(Scheduled& s)
        : table(s.dir / "table"), crontab(s.dir / "crontab"), env(environmentOf(s)) {
        writeFile(crontab, "#!/bin/sh\nif [ \"$1\" = -l ]; then [ -f '" + table.string() +
                               "' ] || { echo 'no crontab' >&2; exit 1; }; cat '" + table.string() + "'; else cat > '" +
                               table.string() + "'; fi\n");
        fs::permissions(crontab, fs::perms::owner_all);
    }
    static platform::Environment environmentOf(Scheduled& s) {
        platform::Environment env;
        env.winePrefix = (s.dir / "prefix").string();
        env.programFolder = (s.dir / "home").string();
        return env;
    }
    // Runs the task's entry as cron does: the command after the five time
    // fields, through /bin/sh, with cron's "\%" turned into "%".
    int runEntry(std::string* out) {
        const std::string entry = readFile(table).substr(readFile(table).find('\n') + 1);
        std::string command = entry.substr(0, entry.size() - 1);
        for (int field = 0; field < 5; ++field) command = command.substr(command.find(' ') + 1);
        for (std::size_t at; (at = command.find("\\%")) != std::string::npos;) command.erase(at, 1);
        return runCommand("env -i HOME=/tmp USERPROFILE='C:\\users\\owner' /bin/sh -c " +
                              testing_support::shellQuote(command), out);
    }
    fs::path table, crontab;
    platform::Environment env;
    CrontabScheduler cron{env, TARNHOLD_BINARY, crontab.string()};
    platform::ScriptedDialogs dialogs;
};

}  // namespace

TEST(UnattendedBackupRun, TheScheduledCrontabLineMakesTheBackup) {
    Scheduled s;
    writeFile(s.dir / "home" / "settings.dat", "[autobackup]\r\nautobackupfile=0\r\n");
    ScheduledCrontab c(s);
    SchedulePlan plan;
    plan.user = "owner";
    plan.items[items::kMailRules] = plan.items[items::kCalendars] = true;
    plan.target = (s.dir / "out" / "it's 100% weekly.wlm").string();  // quotes and % survive cron's shell
    ASSERT_TRUE(AddTask(c.cron, c.dialogs, plan, RunRecordPath(c.env)));
    std::string out;
    ASSERT_EQ(c.runEntry(&out), 0) << out;
    backup::ZipComponent zip;
    ASSERT_TRUE(zip.openArchive(plan.target)) << zip.lastError();
    EXPECT_EQ(zip.members().size(), 4u);  // one rules export, two calendars, the record
}

// The backup folder as the Settings window accepts it, in the prefix's drive
// form or as a host folder: the schedule proposes a target in that one form,
// and the scheduled run writes there, saying so in that form.
TEST(UnattendedBackupRun, ABackupFolderInWindowsFormIsScheduledAndWrittenInThePrefix) {
    for (const std::string form : {"windows", "host"}) {
        Scheduled s;
        const fs::path hostFolder = s.dir / "prefix" / "drive_c" / "users" / "owner";
        const std::string stored = form == "windows" ? "C:/users\\Owner\\" : hostFolder.string() + "\\";
        writeFile(s.dir / "home" / "settings.dat", "[Backup]\r\nbackupfolder=" + stored + "\r\n");
        ScheduledCrontab c(s);
        SchedulePlan plan;
        plan.user = "owner";
        plan.items[items::kSignatures] = true;
        plan.target = ProposedScheduleTarget(c.env, "owner");
        const std::string expected = form == "windows" ? "C:\\users\\Owner\\livemailbak-owner.wlm"
                                                       : hostFolder.string() + "/livemailbak-owner.wlm";
        EXPECT_EQ(plan.target, expected) << form;
        ASSERT_TRUE(AddTask(c.cron, c.dialogs, plan, RunRecordPath(c.env)));
        std::string out;
        ASSERT_EQ(c.runEntry(&out), 0) << form << "\n" << out;
        std::vector<std::string> written;
        for (const auto& e : fs::directory_iterator(hostFolder)) {
            if (e.path().extension() == ".wlm") written.push_back(e.path().filename().string());
        }
        ASSERT_EQ(written.size(), 1u) << form;  // dated, as no "autobackupfile" says otherwise
        EXPECT_EQ(written[0].rfind("livemailbak-owner-", 0), 0u) << written[0];
        const std::string shown = expected.substr(0, expected.size() - 4) + written[0].substr(17);
        EXPECT_NE(readFile(s.dir / "home" / "brlog.dat").find(" Backup File is " + shown + "\n"), std::string::npos)
            << form << "\n" << readFile(s.dir / "home" / "brlog.dat");
        EXPECT_EQ(LoadRunRecord(RunRecordPath(c.env))->archive, shown) << form;
    }
}

namespace {

// The log's records that open and close a scheduled run, in order: "S" and "C".
std::string runBoundaries(const std::string& log) {
    std::string order;
    for (std::size_t at = 0; (at = log.find(" Auto Backup User Profile ", at)) != std::string::npos; ++at) {
        order += log.compare(at - 6, 6, " Start") == 0 ? 'S' : 'C';
    }
    return order;
}

// The first quoted text of a traced system call, from `from` on.
std::string quotedAfter(const std::string& line, std::size_t from) {
    const auto open = line.find('"', from);
    return open == std::string::npos ? std::string() : line.substr(open + 1, line.find('"', open + 1) - open - 1);
}

}  // namespace

// Two scheduled runs started at once on one program folder and one target:
// the second waits for the first, and both leave a sound backup.
TEST(UnattendedBackupRun, TwoRunsAtOnceTakeTurns) {
    Scheduled s;
    writeFile(s.dir / "home" / "settings.dat", "[autobackup]\r\nautobackupfile=0\r\n");
    const std::string target = (s.dir / "out" / "weekly.wlm").string();
    const std::string run = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM USERPROFILE='C:\\users\\owner' WINEPREFIX='" +
                            (s.dir / "prefix").string() + "' TARNHOLD_HOME='" + (s.dir / "home").string() +
                            "' timeout 120 '" TARNHOLD_BINARY "' ' sf=ownerxm=11111111111ps=bf=" + target + "'";
    std::string out;
    ASSERT_EQ(runCommand(run + " & a=$!; " + run + " & b=$!; wait $a; x=$?; wait $b; y=$?; echo \"status $x $y\"", &out), 0);
    EXPECT_NE(out.find("status 0 0"), std::string::npos) << out;
    EXPECT_EQ(runBoundaries(readFile(s.dir / "home" / "brlog.dat")), "SCSC");
    EXPECT_EQ(runCommand("7z t '" + target + "' >/dev/null"), 0);
    std::string record;
    runCommand("unzip -p '" + target + "' oebackup.dat", &record);
    EXPECT_EQ(record.rfind("BackupComputer=", 0), 0u) << record;
    EXPECT_EQ(record.find("BackupComputer=", 1), std::string::npos) << record;  // one run's record, not two
    EXPECT_NE(record.find("BackupItem=11111111111\r\n"), std::string::npos) << record;
}

// The new backup is flushed to disk before it is renamed over the earlier
// one, and the rename itself is flushed after: a power cut leaves one of the two.
TEST(UnattendedBackupRun, TheNewBackupIsFlushedBeforeAndAfterItReplacesTheOld) {
    Scheduled s;
    writeFile(s.dir / "home" / "settings.dat", "[autobackup]\r\nautobackupfile=0\r\n");
    const std::string target = (s.dir / "out" / "weekly.wlm").string();
    writeFile(target, "last week's backup");
    const auto trace = s.dir / "trace";
    std::string out;
    ASSERT_EQ(runCommand(std::string(testing_support::kStrace) + "-f -y -qq -s 4096 -e trace=fsync,fdatasync,rename,renameat,renameat2 -o '" +
                             trace.string() + "' env -u DISPLAY USERPROFILE='C:\\users\\owner' WINEPREFIX='" +
                             (s.dir / "prefix").string() + "' TARNHOLD_HOME='" + (s.dir / "home").string() +
                             "' '" TARNHOLD_BINARY "' ' sf=ownerxm=10000000000ps=bf=" + target + "'",
                         &out), 0) << out;
    std::vector<std::string> calls;
    std::istringstream lines(readFile(trace));
    for (std::string line; std::getline(lines, line);) calls.push_back(line);
    const auto replace = std::find_if(calls.begin(), calls.end(), [&](const std::string& c) {
        return c.find("rename") != std::string::npos && c.find("\"" + target + "\"") != std::string::npos;
    });
    ASSERT_NE(replace, calls.end()) << readFile(trace);
    const std::string written = quotedAfter(*replace, replace->find("rename"));
    ASSERT_NE(written, target);
    auto flushOf = [](const std::string& path) {
        return [path](const std::string& c) { return c.find("fsync(") != std::string::npos && c.find("<" + path + ">") != std::string::npos; };
    };
    EXPECT_NE(std::find_if(calls.begin(), replace, flushOf(written)), replace) << "no flush of " << written;
    EXPECT_NE(std::find_if(replace, calls.end(), flushOf((s.dir / "out").string())), calls.end())
        << "no flush of the folder after the rename";
    EXPECT_EQ(runCommand("7z t '" + target + "' >/dev/null"), 0);
}

// A scheduled run that finds the program folder held for longer than it
// waits writes nothing, says so in the log and exits 2.
TEST(UnattendedBackupRun, AProgramFolderHeldTooLongGivesUpWithStatusTwo) {
    TempDir dir;
    testing_support::makeSamplePrefix(dir / "prefix", {"--user", "owner", "--accounts", "1", "--messages", "2"});
    testing_support::TestPlatform tp(dir.path());
    writeFile(dir / "home" / "settings.dat", "[autobackup]\r\nautobackupfile=0\r\n");
    const std::string target = (dir / "weekly.wlm").string();
    writeFile(target, "last week's backup");
    platform::WineRegistry registry(tp.env.winePrefix);
    platform::Services services{tp.env, registry, tp.dialogs, tp.launcher, tp.processes, tp.wine};
    session::MainSession session(services, " sf=ownerxm=10000000001ps=bf=" + target);
    session.Load();
    platform::FileLock held(tp.env.programFile(backup::kRunLockName));
    ASSERT_TRUE(held.locked());
    EXPECT_EQ(UnattendedBackupRun(session, std::chrono::milliseconds(300)), kUnattendedRefused);
    EXPECT_EQ(readFile(target), "last week's backup");
    const std::string log = readFile(dir / "home" / "brlog.dat");
    EXPECT_NE(log.find(" Backup File " + target + " was not written: another backup or restore holds the program folder " +
                       tp.env.programFolder + "\n\r\n"),
              std::string::npos) << log;
    EXPECT_EQ(kProgramFolderWait, std::chrono::minutes(10));
}

TEST(UnattendedBackupRun, AFileThatCannotBeReadFailsItsItemWithStatusOneAndALogLineNamingIt) {
    Scheduled s;
    writeFile(s.dir / "home" / "settings.dat", "[autobackup]\r\nautobackupfile=0\r\n");
    const std::string target = (s.dir / "out" / "weekly.wlm").string();
    writeFile(target, "last week's complete backup");
    // A file whose reading fails, even for root: memory the reader does not map.
    fs::path inbox;
    for (const auto& e : fs::recursive_directory_iterator(s.dir / "prefix" / "drive_c" / "users" / "owner")) {
        if (e.path().filename() == "Inbox") inbox = e.path();
    }
    ASSERT_FALSE(inbox.empty());
    fs::create_symlink("/proc/self/mem", inbox / "{BAD}.eml");
    std::string out;
    EXPECT_EQ(s.run(" sf=ownerxm=10000001000ps=bf=" + target, &out), 1) << out;
    EXPECT_NE(readFile(target), "last week's complete backup");  // replaced, but not silently
    const std::string log = readFile(s.dir / "home" / "brlog.dat");
    EXPECT_NE(log.find(" Backup Mail Accounts & Messages/News Accounts & Messages Fail! (the folder \""), std::string::npos)
        << log;
    EXPECT_NE(log.find("/Inbox/{BAD}.eml\" cannot be read: Input/output error)"), std::string::npos) << log;
    EXPECT_NE(log.find(" Backup Signatures Succeeded!"), std::string::npos) << log;
}

TEST(UnattendedBackupRun, EveryRunRecordsItsOutcomeAndStatusReportsTheFailure) {
    Scheduled s;
    writeFile(s.dir / "home" / "settings.dat", "[autobackup]\r\nautobackupfile=0\r\n");
    const fs::path record = s.dir / "home" / "lastrun.dat";
    const std::string target = (s.dir / "out" / "weekly.wlm").string();
    const std::string cli = "WINEPREFIX='" + (s.dir / "prefix").string() + "' TARNHOLD_HOME='" +
                            (s.dir / "home").string() + "' TARNHOLD_CRONTAB=/bin/false '" TARNHOLD_CLI "' status";
    std::string out;
    ASSERT_EQ(s.run(" sf=ownerxm=01000001ps=bf=" + target, &out), 0) << out;
    auto r = LoadRunRecord(record.string());
    ASSERT_TRUE(r);
    EXPECT_FALSE(r->running);
    EXPECT_EQ(r->status, 0);
    EXPECT_EQ(r->archive, target);
    EXPECT_TRUE(r->failedItems.empty());
    EXPECT_EQ(r->lastSuccess, r->finished);
    const config::DateTime succeeded = r->finished;
    EXPECT_LE(std::abs(succeeded.secondsTo(config::CurrentDateTime())), 120);
    EXPECT_EQ(runCommand(cli, &out), 0) << out;
    EXPECT_NE(out.find("succeeded: " + target), std::string::npos) << out;

    // A folder that does not exist: status 2, the reason, and the success kept.
    const std::string missing = (s.dir / "missing" / "x.wlm").string();
    EXPECT_EQ(s.run(" sf=ownerxm=1ps=bf=" + missing, &out), 2) << out;
    r = LoadRunRecord(record.string());
    EXPECT_EQ(r->status, 2);
    EXPECT_EQ(r->archive, missing);
    EXPECT_FALSE(r->reason.empty());
    EXPECT_EQ(r->lastSuccess, succeeded);
    EXPECT_EQ(runCommand(cli, &out), 1) << out;
    EXPECT_NE(out.find(" failed: no backup file was written.\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Backup file: " + missing), std::string::npos) << out;

    // Even a command line it cannot use is not a silent failure; the password never lands in the record.
    EXPECT_EQ(s.run(" sf=ownerxm=ps=s3cretbf=" + target, &out), 2) << out;
    r = LoadRunRecord(record.string());
    EXPECT_EQ(r->status, 2);
    EXPECT_EQ(r->reason, kRefusedCommandLineReason);
    EXPECT_EQ(readFile(record).find("s3cret"), std::string::npos);
}

TEST(UnattendedBackupRun, ACompleteDatedBackupRemovesOnlyTheOldestOfItsOwnBeyondKeepbackups) {
    Scheduled s;
    writeFile(s.dir / "home" / "settings.dat", "[autobackup]\r\nautobackupfile=1\r\nkeepbackups=2\r\n");
    const fs::path out = s.dir / "out";
    const std::vector<std::string> older{"weekly-12-28-2025-21-30.wlm", "weekly-01-05-2026-21-30.wlm",
                                         "weekly-11-28-2026-21-30.wlm"};
    const std::vector<std::string> others{"weekly.wlm", "weekly-copy-11-01-2020-21-30.wlm", "weekly-13-01-2020-21-30.wlm",
                                          "monthly-11-01-2020-21-30.wlm"};
    for (const auto& name : older) writeFile(out / name, "an old backup");
    for (const auto& name : others) writeFile(out / name, "not ours to remove");
    fs::create_directory(out / "weekly-10-01-2020-21-30.wlm");  // a folder of that name is no backup
    std::string output;
    ASSERT_EQ(s.run(" sf=ownerxm=01000000000ps=bf=" + (out / "weekly.wlm").string(), &output), 0) << output;
    const std::string written = LoadRunRecord((s.dir / "home" / "lastrun.dat").string())->archive;
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(out)) left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    std::vector<std::string> expected = others;
    expected.push_back("weekly-10-01-2020-21-30.wlm");
    expected.push_back("weekly-11-28-2026-21-30.wlm");  // the newest old one, with the new one makes two
    expected.push_back(fs::path(written).filename().string());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
    const std::string log = readFile(s.dir / "home" / "brlog.dat");
    for (const char* gone : {"weekly-12-28-2025-21-30.wlm", "weekly-01-05-2026-21-30.wlm"}) {
        EXPECT_NE(log.find(" Old Backup File Removed: " + (out / gone).string() + "\n\r\n"), std::string::npos) << log;
    }

    // A backup that lost an item replaces nothing older.
    fs::path inbox;
    for (const auto& e : fs::recursive_directory_iterator(s.dir / "prefix" / "drive_c" / "users" / "owner")) {
        if (e.path().filename() == "Inbox") inbox = e.path();
    }
    ASSERT_FALSE(inbox.empty());
    fs::create_symlink("/proc/self/mem", inbox / "{BAD}.eml");
    writeFile(s.dir / "home" / "settings.dat", "[autobackup]\r\nautobackupfile=1\r\nkeepbackups=1\r\n");
    fs::rename(written, out / "weekly-11-29-2026-21-30.wlm");  // this minute's name is the next run's
    EXPECT_EQ(s.run(" sf=ownerxm=10000000000ps=bf=" + (out / "weekly.wlm").string(), &output), 1) << output;
    EXPECT_TRUE(fs::exists(out / "weekly-11-29-2026-21-30.wlm"));
    EXPECT_TRUE(fs::exists(out / "weekly-11-28-2026-21-30.wlm"));
}

TEST(TarnholdCliStatus, AWeeklyTaskThatNeverSucceedsIsReportedAfterEightDays) {
    TempDir dir;
    fs::create_directories(dir / "home");
    const fs::path crontab = dir / "crontab";
    writeFile(crontab, "#!/bin/sh\nprintf '# tarnhold task: Zorva Windows Live Mail AutoBackup\\n0 9 * * 1 tarnhold x\\n'\n");
    fs::permissions(crontab, fs::perms::owner_all);
    const std::string status = "WINEPREFIX='" + (dir / "prefix").string() + "' TARNHOLD_HOME='" +
                               (dir / "home").string() + "' TARNHOLD_CRONTAB='" + crontab.string() + "' '" TARNHOLD_CLI
                               "' status";
    std::string out;
    // Seen for the first time: no run yet, and its days start counting now.
    EXPECT_EQ(runCommand(status, &out), 0) << out;
    EXPECT_EQ(out, "No scheduled backup has run yet.\n");
    const std::string record = (dir / "home" / "lastrun.dat").string();
    ASSERT_TRUE(LoadRunRecord(record));
    EXPECT_LE(std::abs(LoadRunRecord(record)->taskSince.secondsTo(config::CurrentDateTime())), 60);

    RecordTaskSince(record, config::CurrentDateTime().addDays(-9));
    EXPECT_EQ(runCommand(status, &out), 1) << out;
    EXPECT_NE(out.find("No scheduled backup has succeeded for more than 8 days, since the weekly task was set up on "),
              std::string::npos)
        << out;
    EXPECT_EQ(runCommand(status + " now 2>&1", &out), 2) << out;  // it takes no file
    EXPECT_EQ(out.rfind("tarnhold-cli: status takes no file or option\n", 0), 0u) << out;
}

TEST(UnattendedBackupRun, ARunKilledMidwayIsReportedAsNotFinished) {
    Scheduled s;
    // The run waits for the program folder while the test holds it, so it is surely mid-run when killed.
    platform::FileLock held((s.dir / "home" / backup::kRunLockName).string());
    ASSERT_TRUE(held.locked());
    const std::string record = (s.dir / "home" / "lastrun.dat").string();
    std::string pid;
    runCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM WINEPREFIX='" + (s.dir / "prefix").string() +
                   "' TARNHOLD_HOME='" + (s.dir / "home").string() + "' '" TARNHOLD_BINARY "' ' sf=ownerxm=1ps=bf=" +
                   (s.dir / "out" / "weekly.wlm").string() + "' >/dev/null 2>&1 & echo $!",
               &pid);
    pid.erase(pid.find_last_not_of("\n") + 1);
    // Whatever fails below, the run is not left waiting for ten minutes.
    std::unique_ptr<void, std::function<void(void*)>> reaper(&pid, [&](void*) { runCommand("kill -9 " + pid + " 2>/dev/null"); });
    for (int i = 0; i < 600 && !(LoadRunRecord(record) && LoadRunRecord(record)->running); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(LoadRunRecord(record) && LoadRunRecord(record)->running);
    EXPECT_EQ(LoadRunRecord(record)->processId, std::stol(pid));
    std::string out;
    const std::string status = "WINEPREFIX='" + (s.dir / "prefix").string() + "' TARNHOLD_HOME='" +
                               (s.dir / "home").string() + "' TARNHOLD_CRONTAB=/bin/false '" TARNHOLD_CLI "' status";
    EXPECT_EQ(runCommand(status, &out), 0) << out;  // alive: simply running
    EXPECT_NE(out.find("A scheduled backup is running since "), std::string::npos) << out;
    runCommand("kill -9 " + pid + "; while kill -0 " + pid + " 2>/dev/null; do sleep 0.05; done");
    EXPECT_EQ(runCommand(status, &out), 1) << out;
    EXPECT_NE(out.find(" did not finish: it was ended before it could say how it went."), std::string::npos) << out;
}

namespace {

// The names in `folder` that satisfy `wanted`.
std::vector<std::string> namesWhere(const fs::path& folder, const std::function<bool(const std::string&)>& wanted) {
    std::vector<std::string> names;
    for (const auto& name : testing_support::namesIn(folder)) {
        if (wanted(name)) names.push_back(name);
    }
    return names;
}

bool contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

}  // namespace

// Runs killed at several points leave staging folders and temporaries; the
// next complete run removes every one of them and logs nothing about it.
TEST(UnattendedBackupRun, WhatKilledRunsLeftIsGoneAfterOneCompleteRun) {
    Scheduled s({"--accounts", "2", "--size-mb", "40"});
    const fs::path home = s.dir / "home";
    const fs::path out = s.dir / "out";
    writeFile(home / "settings.dat", "[autobackup]\r\nautobackupfile=0\r\n");
    const std::string commandLine = " sf=ownerxm=11111111111ps=pa55bf=" + (out / "weekly.wlm").string();
    const std::string start = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM USERPROFILE='C:\\users\\owner' "
                              "WINEPREFIX='" + (s.dir / "prefix").string() + "' TARNHOLD_HOME='" + home.string() +
                              "' '" TARNHOLD_BINARY "' '" + commandLine + "' >/dev/null 2>&1 & echo $!";
    // Each point: the run is killed as soon as the program folder or the
    // target's folder shows it got that far.
    const std::vector<std::pair<fs::path, const char*>> points{
        {home, "lastrun.dat"}, {home, "run-"}, {out, ".wlm.tmp-"}};
    for (const auto& [folder, sign] : points) {
        std::string pid;
        runCommand(start, &pid);
        pid.erase(pid.find_last_not_of('\n') + 1);
        bool reached = false;
        for (int i = 0; i < 4000 && !reached; ++i) {
            reached = !namesWhere(folder, [&, sign = sign](const std::string& n) { return contains(n, sign); }).empty();
            if (!reached) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        runCommand("kill -9 " + pid + "; while kill -0 " + pid + " 2>/dev/null; do sleep 0.01; done");
        EXPECT_TRUE(reached) << sign;
    }
    // A kill while the run record was being replaced, as its writer leaves it.
    std::string dead;
    runCommand("sh -c 'echo $$'", &dead);
    dead.erase(dead.find_last_not_of('\n') + 1);
    writeFile(home / ("lastrun.dat.tmp-" + dead + "-1-31337"), "[lastrun]\r\nstate=runn");
    const auto isRunFolder = [](const std::string& n) { return backup::IsRunFolderName(n); };
    EXPECT_FALSE(namesWhere(home, isRunFolder).empty());
    EXPECT_FALSE(namesWhere(out, [](const std::string& n) { return contains(n, ".tmp-"); }).empty());

    const std::size_t logBefore = readFile(home / "brlog.dat").size();
    std::string output;
    ASSERT_EQ(s.run(commandLine, &output), 0) << output;
    EXPECT_EQ(namesIn(home), (std::vector<std::string>{"brlog.dat", "lastrun.dat", "run.lock", "settings.dat"}));
    EXPECT_EQ(namesIn(out), (std::vector<std::string>{"weekly.wlm"}));
    EXPECT_EQ(runCommand("7z t -ppa55 '" + (out / "weekly.wlm").string() + "' >/dev/null"), 0);
    const std::string log = readFile(home / "brlog.dat").substr(logBefore);
    EXPECT_FALSE(contains(log, "earlier run")) << log;
    EXPECT_FALSE(contains(log, "Fail!")) << log;
}

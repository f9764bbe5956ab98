#include <gtest/gtest.h>

#include "platform/ScriptedDialogs.h"
#include "schedule/CrontabScheduler.h"
#include "schedule/SchedulePlan.h"
#include "schedule/TaskCommands.h"
#include "support/TestSupport.h"

using namespace schedule;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

TEST(TaskCommands, BuildTheSchedulerTextsToTheByte) {
    Weekdays none{};
    EXPECT_EQ(DayList(none), "*");
    EXPECT_EQ(DayList({true, false, false, false, false, false, true}), "Mon,Sun");
    EXPECT_EQ(DayList({true, true, true, true, true, true, true}), "Mon,Tue,Wed,Thu,Fri,Sat,Sun");
    EXPECT_EQ(DayList({false, false, false, false, false, true, false}), "Sat");
    EXPECT_EQ(StartTimeArgument("9:00"), "09:00:00");
    EXPECT_EQ(StartTimeArgument("23:30"), "23:30:00");
    auto times = StartTimes();
    ASSERT_EQ(times.size(), 48u);
    EXPECT_EQ(times[0], "0:00");
    EXPECT_EQ(times[1], "0:30");
    EXPECT_EQ(times[18], "9:00");
    EXPECT_EQ(times[47], "23:30");

    const std::string line = UnattendedCommandLine("owner", "00000000001", "", "C:\\b\\livemailbak-owner.wlm");
    EXPECT_EQ(line, " sf=ownerxm=00000000001ps=bf=C:\\b\\livemailbak-owner.wlm");
    EXPECT_EQ(SchtasksEndCommand(), "schtasks /end  /tn \"Zorva Windows Live Mail AutoBackup\"");
    EXPECT_EQ(SchtasksDeleteCommand(), "schtasks /delete /f  /tn \"Zorva Windows Live Mail AutoBackup\"");
    EXPECT_EQ(SchtasksCreateCommand("Mon,Sun", "9:00", "C:\\Program Files\\Tarnhold", line),
              "schtasks /create /sc WEEKLY /d Mon,Sun /st 09:00:00 /tn \"Zorva Windows Live Mail AutoBackup\" /tr "
              "\"\\\"C:\\Program Files\\Tarnhold\\tarnhold.exe\\\" sf=ownerxm=00000000001ps=bf=C:\\b\\livemailbak-owner.wlm\"");

    auto entry = CrontabEntry({true, false, false, false, false, false, true}, "21:30", "/opt/t/tarnhold",
                              " sf=ownerxm=1ps=it's 100%bf=/b/x.wlm", "/home/o/.wine", "/home/o/.local/share/tarnhold");
    ASSERT_EQ(entry.size(), 2u);
    EXPECT_EQ(entry[0], "# tarnhold task: Zorva Windows Live Mail AutoBackup");
    EXPECT_EQ(entry[1], "30 21 * * 1,0 WINEPREFIX='/home/o/.wine' TARNHOLD_HOME='/home/o/.local/share/tarnhold' "
                        "'/opt/t/tarnhold' ' sf=ownerxm=1ps=it'\\''s 100\\%bf=/b/x.wlm'");
    EXPECT_EQ(WithoutTask({"MAILTO=x", entry[0], entry[1], "0 1 * * * other"}),
              (std::vector<std::string>{"MAILTO=x", "0 1 * * * other"}));
}

TEST(SchedulePlan, ChecksInOrderAndRefusesEqualsSigns) {
    SchedulePlan plan;
    plan.user = "owner";
    EXPECT_EQ(ValidateSchedule(plan)->text, "Please select at least one item.");
    plan.items[items::kCalendars] = true;
    EXPECT_EQ(ItemMask(plan.items), "00000000001");
    EXPECT_EQ(ValidateSchedule(plan)->text, "Invalid backup file name.");
    plan.target = "/b/x.wlm";
    EXPECT_FALSE(ValidateSchedule(plan));
    plan.protect = true;
    EXPECT_EQ(ValidateSchedule(plan)->text, "Please enter Password!");
    plan.password = "a=b";
    EXPECT_EQ(ValidateSchedule(plan)->text, "Incorect Password!");
    plan.confirmation = "a=b";
    EXPECT_EQ(ValidateSchedule(plan)->text, kEqualsSignMessage);
    plan.password = plan.confirmation = "ab";
    plan.target = "/b/x=y.wlm";
    EXPECT_EQ(ValidateSchedule(plan)->text, kEqualsSignMessage);
}

namespace {

// A crontab program over a file, standing in for the real one.
struct FakeCrontab {
    FakeCrontab() {
        writeFile(script, "#!/bin/sh\nif [ \"$1\" = -l ]; then\n  [ -f '" + table.string() +
                              "' ] || { echo 'no crontab for tester' >&2; exit 1; }\n  cat '" + table.string() +
                              "'\nelif [ \"$1\" = - ]; then cat > '" + table.string() + "'; fi\n");
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    }
    TempDir dir;
    std::filesystem::path script = dir / "crontab";
    std::filesystem::path table = dir / "table";
};

}  // namespace

TEST(CrontabScheduler, AddsOneTaggedEntryAndRemovesOnlyIt) {
    FakeCrontab fake;
    platform::Environment env;
    env.winePrefix = "/p";
    env.programFolder = "/h";
    CrontabScheduler cron(env, "/bin/tarnhold", fake.script.string());
    const std::string record = (fake.dir / "lastrun.dat").string();
    platform::ScriptedDialogs dialogs;
    SchedulePlan plan;
    plan.user = "owner";
    plan.items[items::kMailRules] = true;
    plan.target = "/b/x.wlm";
    plan.days[0] = true;
    ASSERT_TRUE(AddTask(cron, dialogs, plan, record));  // no crontab yet
    EXPECT_EQ(dialogs.messages.back().text, "Task Zorva Windows Live Mail AutoBackup has been scheduled.");
    EXPECT_EQ(readFile(fake.table), "# tarnhold task: Zorva Windows Live Mail AutoBackup\n"
                                    "0 9 * * 1 WINEPREFIX='/p' TARNHOLD_HOME='/h' '/bin/tarnhold' "
                                    "' sf=ownerxm=01000000000ps=bf=/b/x.wlm'\n");
    writeFile(fake.table, "MAILTO=me\n" + readFile(fake.table) + "15 3 * * * /usr/bin/other\n");
    plan.startTime = "23:30";
    ASSERT_TRUE(AddTask(cron, dialogs, plan, record));  // replaces, never duplicates
    EXPECT_EQ(readFile(fake.table), "MAILTO=me\n15 3 * * * /usr/bin/other\n"
                                    "# tarnhold task: Zorva Windows Live Mail AutoBackup\n"
                                    "30 23 * * 1 WINEPREFIX='/p' TARNHOLD_HOME='/h' '/bin/tarnhold' "
                                    "' sf=ownerxm=01000000000ps=bf=/b/x.wlm'\n");
    DisableTask(cron, dialogs);
    EXPECT_EQ(dialogs.messages.back().text, "Task Zorva Windows Live Mail AutoBackup has been Delete.");
    EXPECT_EQ(readFile(fake.table), "MAILTO=me\n15 3 * * * /usr/bin/other\n");

    // A crontab that cannot be read is never overwritten, and the window says so.
    CrontabScheduler broken(env, "/bin/tarnhold", (fake.dir / "missing-crontab").string());
    EXPECT_FALSE(AddTask(broken, dialogs, plan, record));
    EXPECT_EQ(dialogs.messages.back().text.rfind("The backup could not be scheduled:", 0), 0u);
    EXPECT_EQ(readFile(fake.table), "MAILTO=me\n15 3 * * * /usr/bin/other\n");
}

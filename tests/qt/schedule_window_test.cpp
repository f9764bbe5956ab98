#include <QApplication>
#include <QLabel>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "platform/WineRegistry.h"
#include "schedule/CrontabScheduler.h"
#include "qt/Frmoption.h"
#include "support/TestEnvironment.h"

using namespace schedule;
using testing_support::readFile;
using testing_support::writeFile;

namespace {

struct ScheduleFixture : testing_support::GeneratedPlatform {
    explicit ScheduleFixture(const std::vector<std::string>& args) : GeneratedPlatform(args) {
        writeFile(crontab, "#!/bin/sh\nif [ \"$1\" = -l ]; then [ -f '" + table.string() +
                               "' ] || { echo 'no crontab for t' >&2; exit 1; }; cat '" + table.string() +
                               "'; else cat > '" + table.string() + "'; fi\n");
        std::filesystem::permissions(crontab, std::filesystem::perms::owner_all);
        session.Load();
    }
    session::MainSession session{services, ""};
    std::filesystem::path crontab = dir / "crontab";
    std::filesystem::path table = dir / "table";
    CrontabScheduler cron{env, "/usr/bin/tarnhold", crontab.string()};
};

}  // namespace

TEST(ScheduleWindow, SchedulesTheWeeklyBackupInTheCrontab) {
    ScheduleFixture f({"--user", "owner", "--accounts", "1", "--messages", "1"});
    const std::string mainTarget = f.session.BackupTargetFile;
    Frmoption window(f.session, f.cron);
    window.Form_Load();
    EXPECT_EQ(window.windowTitle(), "Task Scheduler");
    EXPECT_EQ(window.cbSource->text(), "owner");
    // The field sits right after its label.
    window.show();
    QApplication::processEvents();
    QLabel* label = nullptr;
    for (auto* l : window.findChildren<QLabel*>()) {
        if (l->text() == "User to Backup") label = l;
    }
    ASSERT_NE(label, nullptr);
    const QPoint labelEnd = label->mapTo(&window, QPoint(label->width(), 0));
    const QPoint fieldStart = window.cbSource->mapTo(&window, QPoint(0, 0));
    EXPECT_LT(fieldStart.x() - labelEnd.x(), 30);
    EXPECT_LT(std::abs(fieldStart.y() - labelEnd.y()), 20);
    EXPECT_EQ(window.cmbStartTime->count(), 48);
    EXPECT_EQ(window.cmbStartTime->currentText(), "9:00");
    EXPECT_EQ(window.txtTargetFile->text().toStdString(), f.env.programFolder + "/livemailbak-owner.wlm");

    window.chkDaily->click();
    for (auto* day : window.weekday) EXPECT_TRUE(day->isChecked());
    window.chkDaily->click();
    for (auto* day : window.weekday) EXPECT_FALSE(day->isChecked());

    window.Command3->click();
    EXPECT_EQ(f.dialogs.messages.back().text, "Please select at least one item.");
    window.backupitem[items::kCalendars]->setChecked(true);
    window.weekday[0]->setChecked(true);
    window.weekday[6]->setChecked(true);
    window.cmbStartTime->setCurrentText("23:30");
    window.ifprotect->setChecked(true);
    window.txtPassword->setText("pw");
    window.Command3->click();
    EXPECT_EQ(f.dialogs.messages.back().text, "Incorect Password!");
    window.txtPassword2->setText("pw");
    window.Command3->click();
    EXPECT_EQ(f.dialogs.messages.back().text, "Task Zorva Windows Live Mail AutoBackup has been scheduled.");
    EXPECT_EQ(readFile(f.table), "# tarnhold task: Zorva Windows Live Mail AutoBackup\n30 23 * * 1,0 WINEPREFIX='" +
                                     f.env.winePrefix + "' TARNHOLD_HOME='" + f.env.programFolder +
                                     "' '/usr/bin/tarnhold' ' sf=ownerxm=00000000001ps=pwbf=" + f.env.programFolder +
                                     "/livemailbak-owner.wlm'\n");
    // The main window's target stays as it was.
    EXPECT_EQ(f.session.BackupTargetFile, mainTarget);

    window.Command1->click();
    EXPECT_EQ(f.dialogs.messages.back().text, "Task Zorva Windows Live Mail AutoBackup has been Delete.");
    EXPECT_EQ(readFile(f.table), "");

    // Switching protection empties both boxes; a chosen target is the window's own.
    window.ifprotect->setChecked(false);
    EXPECT_TRUE(window.txtPassword->text().isEmpty());
    f.dialogs.files.push_back(std::string("/tmp/weekly.wlm"));
    window.cmdTargetFile->click();
    EXPECT_EQ(f.dialogs.fileRequests.back().title, "Save Windows Live Mail Data as");
    EXPECT_EQ(f.dialogs.fileRequests.back().fileName, "tarnhold");
    EXPECT_EQ(f.dialogs.fileRequests.back().folder, f.env.programFolder);  // the resolved backup folder
    EXPECT_EQ(window.BackupTargetFile(), "/tmp/weekly.wlm");
    EXPECT_EQ(f.session.BackupTargetFile, mainTarget);
}

TEST(ScheduleWindow, WithoutTheMailClientNothingCanBeScheduled) {
    ScheduleFixture f({"--empty"});
    f.dialogs.messages.clear();
    Frmoption window(f.session, f.cron);
    window.Form_Load();
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0].text, "Your Windows System have not install Windows Live Mail ");
    EXPECT_FALSE(window.Command3->isEnabled());
}

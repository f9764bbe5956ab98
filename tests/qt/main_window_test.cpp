#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QScrollBar>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QListWidget>
#include <QLabel>
#include <QPlainTextEdit>
#include <filesystem>

#include "qt/frmMain.h"
#include "qt/frmMaindvdwrite.h"
#include "platform/AtomicFile.h"
#include "platform/HostPath.h"
#include "backup/FileNaming.h"
#include "qt/GuiSupport.h"
#include "platform/WineRegistry.h"
#include "schedule/ScheduledRunRecord.h"
#include "support/TestEnvironment.h"

using namespace app;

namespace {

// A task scheduler that only answers whether the task is there.
struct FakeScheduler : schedule::TaskScheduler {
    explicit FakeScheduler(std::optional<bool> exists) : exists_(exists) {}
    void end() override {}
    void remove() override {}
    void create(const schedule::ScheduledTask&) override {}
    std::string lastError() const override { return {}; }
    std::optional<bool> taskExists() override { return exists_; }
    std::optional<bool> exists_;
};

// The main window over a generated prefix, with scripted dialogs and no weekly task.
struct MainWindowFixture : testing_support::GeneratedPlatform {
    explicit MainWindowFixture(const std::vector<std::string>& generatorArgs) : GeneratedPlatform(generatorArgs) {
        window.setTaskSchedulerFactory([this] { return std::make_unique<FakeScheduler>(taskExists); });
    }
    session::MainSession session{services, ""};
    frmMain window{session};
    std::optional<bool> taskExists = false;
};

}  // namespace

TEST(MainWindow, LoadsTheSampleProfileWithTargetAndItems) {
    MainWindowFixture f({"--user", "owner", "--accounts", "1", "--messages", "2"});
    f.window.Form_Load();
    EXPECT_TRUE(f.dialogs.messages.empty());
    EXPECT_EQ(f.window.windowTitle(), "Zorva Windows Live Mail Backup V3.00");
    EXPECT_EQ(f.window.cbSource->text(), "owner");
    EXPECT_EQ(f.window.cbTarget->text(), "owner");
    const std::string expected =
        f.env.programFolder + "/livemailback-owner-" + backup::DateStamp(config::CurrentDateTime()) + ".wlm";
    EXPECT_EQ(f.window.txtTargetFile->text().toStdString(), expected);
    EXPECT_EQ(f.session.BackupTargetFile, expected);
    for (std::size_t i = 0; i < items::kItemCount; ++i) {
        EXPECT_TRUE(f.window.backupitem[i]->isEnabled()) << i;
        EXPECT_EQ(f.window.backupitem[i]->text().toStdString(),
                  QString::fromUtf8(items::kCatalogue[i].caption.data()).replace("&", "&&").toStdString());
        EXPECT_FALSE(f.window.restoreitem[i]->isEnabled());
    }
    EXPECT_TRUE(f.window.cmdApply->isEnabled());
    EXPECT_EQ(f.window.cmdApply->text(), "Backup Now");
    EXPECT_TRUE(f.window.picCon3->isHidden());
    auto* picture = f.window.findChild<QGroupBox*>("Frame7")->findChild<QLabel*>("picture");
    ASSERT_NE(picture, nullptr);  // the About tab shows the product's picture
    EXPECT_FALSE(picture->pixmap().isNull());

    // The apply button follows the tab.
    const char* captions[] = {"Backup Now", "Restore Now", "Show Log File", "Help"};
    for (int tab : {1, 2, 3, 0}) {
        f.window.SSTab1->setCurrentIndex(tab);
        EXPECT_EQ(f.window.cmdApply->text(), captions[tab]);
    }
}

TEST(MainWindow, EmptyPrefixShowsTheMissingClientMessageAndDisablesApply) {
    MainWindowFixture f({"--empty"});
    f.window.Form_Load();
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0].text, session::kMissingClientMessage);
    EXPECT_FALSE(f.window.cmdApply->isEnabled());
    EXPECT_TRUE(f.window.txtTargetFile->text().isEmpty());
}

TEST(MainWindow, BrowseSetsTheTargetAndCancelKeepsIt) {
    MainWindowFixture f({"--user", "owner", "--accounts", "1", "--messages", "1"});
    f.window.Form_Load();
    const std::string proposed = f.session.BackupTargetFile;
    f.window.cmdTargetFile->click();  // cancelled: no queued answer
    EXPECT_EQ(f.session.BackupTargetFile, proposed);
    f.dialogs.files.push_back(std::string("/tmp/elsewhere.wlm"));
    f.window.cmdTargetFile->click();
    EXPECT_EQ(f.session.BackupTargetFile, "/tmp/elsewhere.wlm");
    EXPECT_EQ(f.window.txtTargetFile->text(), "/tmp/elsewhere.wlm");
    // Text typed by hand does not change the target.
    f.window.txtTargetFile->setText("/tmp/typed.wlm");
    EXPECT_EQ(f.session.BackupTargetFile, "/tmp/elsewhere.wlm");
}

TEST(MainWindow, ProtectionEnablesThePasswordBoxes) {
    MainWindowFixture f({"--user", "owner", "--accounts", "1", "--messages", "1"});
    f.window.Form_Load();
    EXPECT_FALSE(f.window.txtPassword->isEnabled());
    f.window.ifprotect->setChecked(true);
    EXPECT_TRUE(f.window.txtPassword->isEnabled());
    EXPECT_TRUE(f.window.txtPassword2->isEnabled());
    EXPECT_EQ(f.window.txtPassword->echoMode(), QLineEdit::Password);
    f.window.ifprotect->setChecked(false);
    EXPECT_FALSE(f.window.txtPassword2->isEnabled());
}

TEST(MainWindow, BackupNowRunsOnAWorkerAndReportsTheSummary) {
    MainWindowFixture f({"--user", "owner", "--accounts", "2", "--messages", "3"});
    f.window.Form_Load();
    f.window.cmdApply->click();
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0].text, "Please select at least one item.");

    testing_support::writeFile(f.env.programFile("settings.dat"),
                               "[General]\r\nburndvd=0\r\nrunliveafterbackup=1\r\n[backup]\r\nopenfolderbackup=0\r\n"
                               "autocloselive=0\r\n");
    f.window.backupitem[items::kMailAccounts]->setChecked(true);
    f.window.backupitem[items::kSignatures]->setChecked(true);
    f.window.txtAttachInfo->setPlainText("line one\nline two");
    // Tab leaves the description box instead of going into it.
    f.window.show();
    QApplication::processEvents();
    const QSize windowBefore = f.window.size();
    const QRect tabsBefore = f.window.SSTab1->geometry();
    f.window.txtAttachInfo->setFocus();
    QTest::keyClick(f.window.txtAttachInfo, Qt::Key_Tab);
    EXPECT_EQ(f.window.txtAttachInfo->toPlainText(), "line one\nline two");
    f.window.cmdApply->click();
    EXPECT_TRUE(f.window.running());
    EXPECT_FALSE(f.window.cmdApply->isEnabled());  // no second run meanwhile
    EXPECT_FALSE(f.window.backupMenu->isEnabled());
    // The progress panel takes its room without moving or growing anything.
    QApplication::processEvents();
    EXPECT_TRUE(f.window.picCon3->isVisible());
    EXPECT_EQ(f.window.size(), windowBefore);
    EXPECT_EQ(f.window.SSTab1->geometry(), tabsBefore);
    // Quitting meanwhile is refused, and said.
    f.window.cmdQuit->click();
    EXPECT_FALSE(f.window.close());
    ASSERT_EQ(f.dialogs.messages.size(), 3u);
    EXPECT_EQ(f.dialogs.messages[1].text, app::kRunMustFinishMessage);
    EXPECT_EQ(f.dialogs.messages[2].text, app::kRunMustFinishMessage);
    f.dialogs.messages.resize(1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !f.window.running(); }, 60000));
    EXPECT_TRUE(f.window.cmdApply->isEnabled());
    EXPECT_TRUE(f.window.picCon3->isHidden());
    QApplication::processEvents();
    EXPECT_EQ(f.window.size(), windowBefore);
    EXPECT_EQ(f.window.SSTab1->geometry(), tabsBefore);
    EXPECT_EQ(f.window.Label1->text(), "Please Waiting...");
    ASSERT_EQ(f.dialogs.messages.size(), 2u);
    EXPECT_EQ(f.dialogs.messages[1].text,
              "The Backup was Completed!\r\n\r\nBackup Mail Accounts & Messages/News Accounts & Messages\tSuccessed!"
              "\r\nBackup Signatures\tSuccessed!");
    EXPECT_TRUE(std::filesystem::exists(f.session.BackupTargetFile));
    EXPECT_TRUE(f.processes.killed.empty());  // autocloselive is off
    ASSERT_EQ(f.launcher.launches.size(), 1u);
    EXPECT_EQ(f.launcher.launches[0].target, "\"C:\\Program Files\\Windows Live\\Mail\\wlmail.exe\"");
    EXPECT_EQ(f.launcher.launches[0].mode, platform::ShowMode::Minimized);
    EXPECT_TRUE(f.window.SkinLabel11->text().startsWith("Write File "));

    f.window.SSTab1->setCurrentIndex(2);
    ASSERT_GT(f.window.List1->count(), 4);
    EXPECT_EQ(f.window.List1->currentRow(), f.window.List1->count() - 1);
    EXPECT_TRUE(f.window.List1->currentItem()->text().endsWith(" Backup User Profile owner Data was Completed!"));
    f.window.cmdApply->click();
    EXPECT_EQ(f.launcher.launches.back().target, f.env.programFile("brlog.dat"));
}

TEST(MainWindow, RestoreTabOpensABackupAndRestoresAfterTheQuestion) {
    MainWindowFixture f({"--user", "owner", "--accounts", "2", "--messages", "3"});
    f.window.Form_Load();
    testing_support::writeFile(f.env.programFile("settings.dat"), "[General]\r\nrunliveafterrestore=0\r\nburndvd=0\r\n");
    // A backup of two items, made through the window.
    f.window.backupitem[items::kSignatures]->setChecked(true);
    f.window.backupitem[items::kCalendars]->setChecked(true);
    f.window.txtAttachInfo->setPlainText("weekly\nbackup");
    f.window.cmdApply->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.window.running(); }, 60000));
    const std::string archive = f.session.BackupTargetFile;
    f.dialogs.messages.clear();
    f.launcher.launches.clear();  // the backup's follow-ups (settings absent: on)

    f.window.SSTab1->setCurrentIndex(1);
    f.window.cmdSourceFile->click();  // cancelled: the tab is only reset
    EXPECT_TRUE(f.window.txtSourceFile->text().isEmpty());
    EXPECT_EQ(f.dialogs.fileRequests.back().folder, f.env.programFolder);  // the backup folder
    EXPECT_EQ(f.dialogs.fileRequests.back().fileName, "");
    f.dialogs.files.push_back(archive);
    f.window.cmdSourceFile->click();
    ASSERT_EQ(f.dialogs.fileRequests.back().title, "Restore Data from a Backup file");
    EXPECT_EQ(f.window.txtSourceFile->text().toStdString(), archive);
    EXPECT_EQ(f.window.txtFileInfo->toPlainText(), "weekly\nbackup");
    EXPECT_TRUE(f.window.txtPOBinfo->toPlainText().startsWith("Computer:DESKTOP-01\nUser:owner\nDate:"));
    f.window.show();
    QApplication::processEvents();
    EXPECT_EQ(f.window.txtPOBinfo->verticalScrollBar()->maximum(), 0);  // all three lines in view
    for (std::size_t k = 0; k < items::kItemCount; ++k) {
        EXPECT_EQ(f.window.restoreitem[k]->isEnabled(), k == items::kSignatures || k == items::kCalendars) << k;
        EXPECT_FALSE(f.window.restoreitem[k]->isChecked());
    }

    // Cancel on the question changes nothing and writes nothing.
    f.window.restoreitem[items::kCalendars]->setChecked(true);
    const std::string logBefore = testing_support::readFile(f.env.programFile("brlog.dat"));
    f.dialogs.answers.push_back(platform::Answer::Cancel);
    f.window.cmdApply->click();
    EXPECT_FALSE(f.window.running());
    EXPECT_EQ(testing_support::readFile(f.env.programFile("brlog.dat")), logBefore);

    const auto calendars = f.env.hostPath(f.session.store.MailStoreRoot) + "/Calendars";
    std::filesystem::remove_all(calendars);
    f.dialogs.answers.push_back(platform::Answer::Ok);
    f.window.cmdApply->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.window.running(); }, 60000));
    EXPECT_EQ(f.dialogs.messages.back().text, "The Restore was Completed!\r\n\r\nRestore Calendars\tSuccessed!");
    EXPECT_TRUE(std::filesystem::is_directory(calendars));
    EXPECT_TRUE(f.launcher.launches.empty());
    // The same backup can be restored again at once, from the menu without the question.
    const std::size_t questions = f.dialogs.messages.size();
    f.window.restoreMenu->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.window.running(); }, 60000));
    EXPECT_EQ(f.dialogs.messages.size(), questions + 1);
    EXPECT_EQ(f.dialogs.messages.back().text, "The Restore was Completed!\r\n\r\nRestore Calendars\tSuccessed!");

    // Opening a file that is no backup disables every box first.
    testing_support::writeFile(f.dir / "junk.wlm", "junk");
    f.dialogs.files.push_back((f.dir / "junk.wlm").string());
    f.window.cmdSourceFile->click();
    // The dialog started at the file opened last.
    EXPECT_EQ(f.dialogs.fileRequests.back().fileName, platform::bareName(archive));
    EXPECT_EQ(f.dialogs.fileRequests.back().folder, platform::folderPartWithSeparator(archive));
    EXPECT_EQ(f.dialogs.messages.back().text, "Invalid backup file");
    for (auto* box : f.window.restoreitem) EXPECT_FALSE(box->isEnabled());
}

TEST(MainWindow, ContextMenusSelectOnlyEnabledItemsAndKeepCalendars) {
    MainWindowFixture f({"--user", "owner", "--accounts", "1", "--messages", "1"});
    f.window.Form_Load();
    f.window.backupitem[items::kLdapAccounts]->setEnabled(false);
    f.window.findChild<QAction*>("Selectallitems")->trigger();
    for (std::size_t i = 0; i < items::kItemCount; ++i) {
        EXPECT_EQ(f.window.backupitem[i]->isChecked(), i != items::kLdapAccounts) << i;
    }
    f.window.findChild<QAction*>("Unselectallitems")->trigger();
    for (std::size_t i = 0; i < items::kItemCount; ++i) {
        EXPECT_EQ(f.window.backupitem[i]->isChecked(), i == items::kCalendars) << i;
    }
    // The restore boxes are disabled until a backup is opened: nothing gets ticked.
    f.window.findChild<QAction*>("Selectallitems2")->trigger();
    for (auto* box : f.window.restoreitem) EXPECT_FALSE(box->isChecked());
    // File > Backup Now works from any tab.
    testing_support::writeFile(f.env.programFile("settings.dat"), "[General]\r\nburndvd=0\r\n");
    f.window.SSTab1->setCurrentIndex(1);
    f.window.backupMenu->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !f.window.running(); }, 60000));
    EXPECT_EQ(f.dialogs.messages.back().text.rfind("The Backup was Completed!", 0), 0u);
}

// What the disc window shows when it opens after a backup with "burndvd" on,
// or "none" when it does not open. The window is closed again at once.
static std::string DiscWindowAfterBackup(MainWindowFixture& f) {
    std::string seen = "none";
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* disc = qobject_cast<disc::frmMaindvdwrite*>(QApplication::activeModalWidget());
        if (!disc) return;
        auto* list = disc->lvwImageFiles;
        seen = list->topLevelItemCount() == 1 ? list->topLevelItem(0)->text(0).toStdString() : "empty";
        disc->close();
    });
    poll.start(20);
    f.window.cmdApply->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !f.window.running(); }, 60000));
    QTest::qWait(100);
    return seen;
}

TEST(MainWindow, TheDiscWindowOffersOnlyABackupThatWasWritten) {
    MainWindowFixture f({"--user", "owner", "--accounts", "1", "--messages", "1"});
    f.window.Form_Load();
    testing_support::writeFile(f.env.programFile("settings.dat"),
                               "[General]\r\nburndvd=1\r\nrunliveafterbackup=0\r\n[backup]\r\nopenfolderbackup=0\r\n"
                               "autocloselive=0\r\n");
    f.window.backupitem[items::kSignatures]->setChecked(true);
    const std::string target = f.session.BackupTargetFile;
    EXPECT_EQ(DiscWindowAfterBackup(f), platform::bareName(target));

    // A folder in the target's place: the archive cannot be written, and the earlier file is not offered.
    std::filesystem::remove(target);
    std::filesystem::create_directories(target);
    EXPECT_EQ(DiscWindowAfterBackup(f), "none");
    EXPECT_EQ(f.dialogs.messages.back().icon, platform::Icon::Critical);

    // Another run (a scheduled backup) holds the program folder: nothing is
    // written or offered, and the window says why.
    std::filesystem::remove_all(target);
    platform::FileLock held(f.env.programFile("run.lock"));
    ASSERT_TRUE(held.locked());
    EXPECT_EQ(DiscWindowAfterBackup(f), "none");
    EXPECT_EQ(f.dialogs.messages.back().text, "The Backup File could not be written:\r\n" + target +
                                                  "\r\n\r\nanother backup or restore holds the program folder " +
                                                  f.env.programFolder);
    EXPECT_EQ(f.dialogs.messages.back().icon, platform::Icon::Critical);
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST(MainWindow, OpeningSaysAFailedOrLongSilentScheduledBackupBeforeTheUserStarts) {
    MainWindowFixture f({"--user", "owner", "--accounts", "1", "--messages", "2"});
    const std::string record = schedule::RunRecordPath(f.env);
    const config::DateTime now = config::CurrentDateTime();
    schedule::RecordRunEnd(record, now.addDays(-2), {2, {}, "/b/weekly.wlm", "No space left on device"});
    f.window.Form_Load();
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    const auto& said = f.dialogs.messages[0];
    EXPECT_EQ(said.icon, platform::Icon::Exclamation);
    EXPECT_EQ(said.title, "");  // the program's title
    EXPECT_EQ(said.text.rfind("The scheduled backup of ", 0), 0u) << said.text;
    EXPECT_NE(said.text.find(" failed: no backup file was written.\r\nNo space left on device\r\n"), std::string::npos)
        << said.text;
    EXPECT_TRUE(f.window.cmdApply->isEnabled());  // the window still opens for the user

    // Succeeded nine days ago, and the weekly task has been quiet since.
    MainWindowFixture g({"--user", "owner", "--accounts", "1", "--messages", "2"});
    g.taskExists = true;
    schedule::RecordRunEnd(schedule::RunRecordPath(g.env), now.addDays(-9), {0, {}, "/b/weekly.wlm", ""});
    g.window.Form_Load();
    ASSERT_EQ(g.dialogs.messages.size(), 1u);
    EXPECT_NE(g.dialogs.messages[0].text.find("No scheduled backup has succeeded for more than 8 days"), std::string::npos);

    // A recent success, or no task to miss: nothing said.
    MainWindowFixture h({"--user", "owner", "--accounts", "1", "--messages", "2"});
    schedule::RecordRunEnd(schedule::RunRecordPath(h.env), now.addDays(-9), {0, {}, "/b/weekly.wlm", ""});
    h.window.Form_Load();
    EXPECT_TRUE(h.dialogs.messages.empty());
}

TEST(MainWindow, ABackupFolderInWindowsFormIsProposedAndWrittenInThePrefix) {
    for (const std::string form : {"windows", "host"}) {
        MainWindowFixture f({"--user", "owner", "--accounts", "1", "--messages", "1"});
        const std::string hostFolder = f.env.winePrefix + "/drive_c/users/owner";
        // As a user types it: the drive form with its case and separators mixed.
        const std::string stored = form == "windows" ? "c:\\Users/OWNER\\" : hostFolder + "/";
        testing_support::writeFile(f.env.programFile("settings.dat"),
                                   "[Backup]\r\nbackupfolder=" + stored + "\r\n[General]\r\nburndvd=0\r\n"
                                   "runliveafterbackup=0\r\n[backup]\r\nopenfolderbackup=0\r\n");
        f.window.Form_Load();
        const std::string name = "livemailback-owner-" + backup::DateStamp(config::CurrentDateTime()) + ".wlm";
        const std::string shown = form == "windows" ? "c:\\Users\\OWNER\\" + name : hostFolder + "/" + name;
        EXPECT_EQ(f.window.txtTargetFile->text().toStdString(), shown) << form;
        f.window.backupitem[items::kSignatures]->setChecked(true);
        f.window.cmdApply->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !f.window.running(); }, 60000));
        EXPECT_EQ(f.dialogs.messages.back().text,
                  "The Backup was Completed!\r\n\r\nBackup Signatures\tSuccessed!") << form;
        EXPECT_TRUE(std::filesystem::is_regular_file(hostFolder + "/" + name)) << form;
        EXPECT_NE(testing_support::readFile(f.env.programFile("brlog.dat")).find(" Backup File is " + shown + "\n"),
                  std::string::npos)
            << form;
    }
}

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "qt/Frmsettings.h"
#include "config/SettingsFile.h"
#include "support/TestEnvironment.h"

using namespace app;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::TestPlatform;

TEST(SettingsWindow, OpensWithDefaultsAndWritesTheFileFromScratch) {
    TempDir dir;
    TestPlatform p(dir.path());
    p.services.env.executableFolder = "/opt/tarnhold";  // the services hold their own copy
    Frmsettings window(p.services);
    for (QCheckBox* b : {window.Check1, window.Check2, window.Check3, window.Check4, window.Check5, window.Check6,
                         window.Check7, window.Check8}) {
        EXPECT_TRUE(b->isChecked()) << b->objectName().toStdString();
    }
    EXPECT_TRUE(window.Option1->isChecked());
    EXPECT_EQ(window.Text1->text().toStdString(), p.env.programFolder);
    EXPECT_EQ(window.spnKeepBackups->value(), 0);
    EXPECT_FALSE(window.spnKeepBackups->isEnabled());  // only dated backups are ever removed

    window.Text1->setText("   ");
    window.Command2->click();
    ASSERT_EQ(p.dialogs.messages.size(), 1u);
    EXPECT_EQ(p.dialogs.messages[0].text, "Please enter backup folder.");
    EXPECT_FALSE(std::filesystem::exists(p.env.programFile("settings.dat")));

    window.Text1->setText((dir / "no such folder").c_str());
    window.Check3->setChecked(false);
    window.Option2->setChecked(true);
    EXPECT_TRUE(window.spnKeepBackups->isEnabled());
    window.spnKeepBackups->setValue(3);
    window.Command2->click();
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(readFile(p.env.programFile("settings.dat")),
              "[Backup]\r\nbackupfolder=" + p.env.programFolder +
                  "\r\nautocloselive=1\r\nopenfolderbackup=1\r\nautomgeneratefile=1\r\n"
                  "[General]\r\nstartonwindows=1\r\ncheckbackupfile=0\r\nrunliveafterbackup=1\r\n"
                  "runliveafterrestore=1\r\nburndvd=1\r\n[autobackup]\r\nautobackupfile=1\r\nkeepbackups=3\r\n");
    auto run = p.registry.value(platform::Hive::CurrentUser, kRunKey, kRunValueName);
    ASSERT_TRUE(run);
    EXPECT_EQ(run->text(), "\"Z:\\opt\\tarnhold\\tarnhold\"");  // the real file, as the prefix names it
    EXPECT_EQ(run->data.size(), 2 * run->text().size() + 2);  // stored with its terminating zero

    // Reopened: the stored state; unticking the start option removes the Run entry.
    Frmsettings again(p.services);
    EXPECT_FALSE(again.Check3->isChecked());
    EXPECT_TRUE(again.Option2->isChecked());
    EXPECT_EQ(again.spnKeepBackups->value(), 3);
    again.Check1->setChecked(false);
    again.spnKeepBackups->setValue(0);  // back to keeping every file: the count is stored as 0
    again.Command2->click();
    EXPECT_FALSE(p.registry.value(platform::Hive::CurrentUser, kRunKey, kRunValueName));
    EXPECT_EQ(config::ReadSetting(p.env.programFile("settings.dat"), "autobackup", "keepbackups"), "0");

    // A folder typed in the prefix's drive form, separators mixed, is
    // checked through the drive mapping and stored in that one form.
    std::filesystem::create_directories(dir / "prefix" / "drive_c" / "users" / "owner");
    Frmsettings third(p.services);
    third.Text1->setText(" C:/Users\\owner ");
    third.Command2->click();
    EXPECT_EQ(config::ReadSetting(p.env.programFile("settings.dat"), "Backup", "backupfolder"), "C:\\Users\\owner");
}

TEST(SettingsWindow, CancellingTheBrowserEmptiesTheBoxAndCancelWritesNothing) {
    TempDir dir;
    TestPlatform p(dir.path());
    Frmsettings window(p.services);
    window.Command1->click();  // no queued folder: cancelled
    EXPECT_TRUE(window.Text1->text().isEmpty());
    ASSERT_EQ(p.dialogs.folderPrompts.size(), 1u);
    EXPECT_EQ(p.dialogs.folderPrompts[0], "Zorva Windows Live Mail Backup");
    window.Command2->click();
    EXPECT_EQ(p.dialogs.messages.back().text, "Please enter backup folder.");
    p.dialogs.folders.push_back((dir / "home").string());
    window.Command1->click();
    EXPECT_EQ(window.Text1->text().toStdString(), (dir / "home").string());
    window.Command3->click();
    EXPECT_FALSE(std::filesystem::exists(p.env.programFile("settings.dat")));
}

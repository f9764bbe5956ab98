#pragma once
// The schedule window ("Task Scheduler"): items, weekdays, time, target and
// password of the weekly unattended backup, handed to the task scheduler.

#include <QDialog>
#include <array>

#include "session/MainSession.h"
#include "schedule/SchedulePlan.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace schedule {

class Frmoption : public QDialog {
    Q_OBJECT
public:
    Frmoption(session::MainSession& session, TaskScheduler& scheduler, QWidget* parent = nullptr);

    std::array<QCheckBox*, items::kItemCount> backupitem{};
    QLineEdit* cbSource;
    QComboBox* cmbStartTime;
    std::array<QCheckBox*, 7> weekday{};  // chkMonday ... chkSunday
    QCheckBox* chkDaily;
    QLineEdit* txtTargetFile;
    QPushButton* cmdTargetFile;
    QCheckBox* ifprotect;
    QLineEdit* txtPassword;
    QLineEdit* txtPassword2;
    QPushButton* Command3;  // Add Task to Scheduler
    QPushButton* Command1;  // Disable Task
    QPushButton* Command2;  // Cancel

    // The window's own target; the main window's is never touched.
    const std::string& BackupTargetFile() const { return target_; }

    void Form_Load();
    void PrepareScheduleWindow();
    void chkDaily_Click();
    void ifprotect_Click();
    void cmdTargetFile_Click();
    void Command3_Click();
    void Command1_Click();

private:
    QWidget* buildItems();
    QWidget* buildSchedule();
    QWidget* buildSecurity();
    SchedulePlan planFromControls() const;

    session::MainSession& session_;
    TaskScheduler& scheduler_;
    std::string target_;
};

}  // namespace schedule

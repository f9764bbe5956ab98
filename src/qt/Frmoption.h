#pragma once
// The schedule window ("Task Scheduler") in Qt: draws and wires; what it
// decides is ScheduleWindowLogic's.

#include <QDialog>
#include <array>

#include "schedule/ScheduleWindow.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace schedule {

class Frmoption : public QDialog, private ScheduleWindowView {
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
    const std::string& BackupTargetFile() const { return logic_.BackupTargetFile(); }

    void Form_Load() { logic_.Form_Load(); }

private:
    QWidget* buildItems();
    QWidget* buildSchedule();
    QWidget* buildSecurity();

    // ScheduleWindowView
    bool itemChecked(std::size_t index) const override;
    void setItemChecked(std::size_t index, bool on) override;
    void setItemEnabled(std::size_t index, bool on) override;
    bool dayChecked(std::size_t day) const override;
    void setDayChecked(std::size_t day, bool on) override;
    bool dailyChecked() const override;
    std::string userText() const override;
    void setUserText(const std::string& text) override;
    void setStartTimes(const std::vector<std::string>& times, const std::string& current) override;
    std::string startTime() const override;
    void setTargetText(const std::string& text) override;
    bool protectChecked() const override;
    void setPasswordBoxesUsable(bool usable) override;
    std::string password() const override;
    std::string confirmation() const override;
    void setAddEnabled(bool enabled) override;
    void closeAccepted() override;

    ScheduleWindowLogic logic_;
};

}  // namespace schedule

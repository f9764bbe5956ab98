#pragma once
// What the schedule window ("Task Scheduler") decides, whatever toolkit
// draws it: items, weekdays, time, target and password of the weekly
// unattended backup, handed to the task scheduler. The Qt and the Win32
// window implement ScheduleWindowView and call ScheduleWindowLogic.

#include <array>
#include <string>
#include <vector>

#include "schedule/SchedulePlan.h"
#include "session/MainSession.h"

namespace schedule {

inline constexpr const char* kScheduleCaption = "Task Scheduler";
inline constexpr std::array<const char*, 7> kDayCaptions{"Monday", "Tuesday", "Wednesday", "Thursday",
                                                         "Friday", "Saturday", "Sunday"};
inline constexpr const char* kScheduleNote =
    "Windows Live Mail Backup use Windows Task Scheduler to perform the Auto Backup. Click \"Add Task to "
    "Scheduler\" to Create the task, Clikc \"Disable Task\" to disable the task.";
inline constexpr const char* kDefaultStartTime = "9:00";
// The window's other captions, in the order they stand.
inline constexpr const char* kWhatFrame = "What";
inline constexpr const char* kItemsLabel = "Items to backup";
inline constexpr const char* kUserLabel = "User to Backup";
inline constexpr const char* kScheduleFrame = "Schedule";
inline constexpr const char* kStartTimeLabel = "Start backup at";
inline constexpr const char* kDailyCaption = "Run daily";
// As shown: one ampersand, no shortcut mark.
inline constexpr const char* kTargetLabel = "Backup Filename(Default folder & filename)";
inline constexpr const char* kBrowseCaption = "Browse...";
inline constexpr const char* kSecurityFrame = "Security";
inline constexpr const char* kProtectCaption = "Protect backup file with password";
inline constexpr const char* kPasswordLabel = "Password:";
inline constexpr const char* kRetypePasswordLabel = "Retype Password:";
inline constexpr const char* kAddTaskCaption = "Add Task to Scheduler";
inline constexpr const char* kDisableTaskCaption = "Disable Task";

class ScheduleWindowView {
public:
    virtual ~ScheduleWindowView() = default;
    virtual bool itemChecked(std::size_t index) const = 0;
    virtual void setItemChecked(std::size_t index, bool on) = 0;
    virtual void setItemEnabled(std::size_t index, bool on) = 0;
    virtual bool dayChecked(std::size_t day) const = 0;  // 0 Monday ... 6 Sunday
    virtual void setDayChecked(std::size_t day, bool on) = 0;
    virtual bool dailyChecked() const = 0;
    virtual std::string userText() const = 0;
    virtual void setUserText(const std::string& text) = 0;
    virtual void setStartTimes(const std::vector<std::string>& times, const std::string& current) = 0;
    virtual std::string startTime() const = 0;
    virtual void setTargetText(const std::string& text) = 0;
    virtual bool protectChecked() const = 0;
    // Enabled in the window background or disabled in grey; emptied either way.
    virtual void setPasswordBoxesUsable(bool usable) = 0;
    virtual std::string password() const = 0;
    virtual std::string confirmation() const = 0;
    virtual void setAddEnabled(bool enabled) = 0;
    virtual void closeAccepted() = 0;
};

class ScheduleWindowLogic {
public:
    ScheduleWindowLogic(session::MainSession& session, TaskScheduler& scheduler, ScheduleWindowView& view)
        : session_(session), scheduler_(scheduler), view_(view) {}

    // The window's own target; the main window's is never touched.
    const std::string& BackupTargetFile() const { return target_; }

    void Form_Load();
    void PrepareScheduleWindow();
    void chkDaily_Click();
    void ifprotect_Click();
    void cmdTargetFile_Click();
    void Command3_Click();  // Add Task to Scheduler
    void Command1_Click();  // Disable Task

private:
    SchedulePlan planFromControls() const;

    session::MainSession& session_;
    TaskScheduler& scheduler_;
    ScheduleWindowView& view_;
    std::string target_;
};

}  // namespace schedule

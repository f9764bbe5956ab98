#pragma once
// What the main window decides, whatever toolkit draws it: which boxes are
// enabled, what each button and menu entry does, which message follows and
// what is written. The Qt and the Win32 window each implement
// MainWindowView (drawing and wiring only) and call MainWindowLogic from
// their event handlers.

#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "backup/BackupRun.h"
#include "items/Catalogue.h"
#include "restore/RestoreRun.h"
#include "schedule/TaskScheduler.h"
#include "session/MainSession.h"

namespace app {

// Said when the window is to close while a backup or restore runs.
inline constexpr const char* kRunMustFinishMessage =
    "A backup or restore is running. Please wait until it has finished before you quit.";
inline constexpr const char* kMainWindowCaption = "Zorva Windows Live Mail Backup V3.00";
inline constexpr const char* kIdleStatus = "Please Waiting...";
inline constexpr std::array<const char*, 4> kTabCaptions{"Backup", "Restore", "Logs", "About"};

// The caption of the apply button for each tab.
const char* ApplyCaptionForTab(int tab);

enum class ItemBoxes { Backup, Restore };  // backupitem, restoreitem
enum class MainField {
    cbSource, cbTarget, txtTargetFile, txtAttachInfo, txtPassword, txtPassword2,
    txtSourceFile, txtPOBinfo, txtFileInfo
};
enum class StatusLine { Label1, SkinLabel11, SkinLabel12 };

// The menu bar, in order: menu, entry name, caption, what it does.
enum class MainCommand { backup, restore, quit, TaskScheduler, settings, update, backuptocd, help1, website, about };
struct MainMenuEntry {
    const char* menu;
    const char* name;
    const char* caption;
    MainCommand command;
};
inline constexpr std::array<MainMenuEntry, 10> kMainMenu{{
    {"File", "backup", "Backup Now", MainCommand::backup},
    {"File", "restore", "Restore Now", MainCommand::restore},
    {"File", "quit", "Quit", MainCommand::quit},
    {"Option", "TaskScheduler", "Task Scheduler", MainCommand::TaskScheduler},
    {"Option", "settings", "Settings", MainCommand::settings},
    {"Option", "update", "Check for Update", MainCommand::update},
    {"Tools", "backuptocd", "Backup Data to CD/DVD", MainCommand::backuptocd},
    {"Help", "help1", "Help", MainCommand::help1},
    {"Help", "website", "Our Website", MainCommand::website},
    {"Help", "about", "About", MainCommand::about},
}};
// The two entries of each item frame's context menu.
inline constexpr const char* kSelectAllCaption = "Select all items";
inline constexpr const char* kDeselectAllCaption = "Deselect all items";

class MainWindowView {
public:
    virtual ~MainWindowView() = default;
    virtual bool itemChecked(ItemBoxes boxes, std::size_t index) const = 0;
    virtual void setItemChecked(ItemBoxes boxes, std::size_t index, bool on) = 0;
    virtual bool itemEnabled(ItemBoxes boxes, std::size_t index) const = 0;
    virtual void setItemEnabled(ItemBoxes boxes, std::size_t index, bool on) = 0;
    // Texts with CR LF between lines, as the record keeps them.
    virtual std::string text(MainField field) const = 0;
    virtual void setText(MainField field, const std::string& text) = 0;
    virtual bool protectChecked() const = 0;
    // Enabled with the window background, or disabled in scroll-bar grey.
    virtual void setPasswordBoxesUsable(bool usable) = 0;
    virtual int currentTab() const = 0;
    virtual void setApplyCaption(const std::string& caption) = 0;
    virtual void setApplyEnabled(bool enabled) = 0;
    // While a run works: apply, the menus' runs and the restore browser
    // disabled, the hourglass shown.
    virtual void showRunning(bool running) = 0;
    // The progress panel, shown with its pending drawing done at once.
    virtual void showProgressPanel(bool shown) = 0;
    // One line, never empty and never wrapped (an empty text shows a blank).
    virtual void setStatusLine(StatusLine line, const std::string& text) = 0;
    virtual int progress() const = 0;
    virtual void setProgress(int value) = 0;  // 0 to 100
    // The log list, its last line selected.
    virtual void showLogLines(const std::vector<std::string>& lines) = 0;

    // Runs `work` on the window's thread, from any thread.
    virtual void post(std::function<void()> work) = 0;
    // Runs `work` on a new worker thread.
    virtual void startWorker(std::function<void()> work) = 0;
    // Runs `task` off the window's thread while the window stays drawn.
    virtual bool runKeepingWindowAlive(const std::function<bool()>& task) = 0;

    virtual void showAbout() = 0;
    virtual void showSettings() = 0;
    virtual void showSchedule(schedule::TaskScheduler& scheduler) = 0;
    // The disc window, with the new backup file named when there is one.
    virtual void showDiscWindow(const std::string& pendingName, const std::string& pendingPath) = 0;
    // Ends the event loop (the session is already shut down).
    virtual void endProgram() = 0;
};

class MainWindowLogic {
public:
    using SchedulerFactory = std::function<std::unique_ptr<schedule::TaskScheduler>()>;
    MainWindowLogic(session::MainSession& session, MainWindowView& view, SchedulerFactory makeScheduler);

    void setSchedulerFactory(SchedulerFactory factory) { makeScheduler_ = std::move(factory); }
    bool running() const { return running_; }

    // The window's load: discovery, then the controls follow what it found.
    void Form_Load();
    void SSTab1_Click(int tab);
    void ifprotect_Click();
    void cmdApply_Click();
    // The manual backup: checks on the window's thread, the work on a worker.
    void BackupRun();
    void RestoreRun();
    void cmdTargetFile_Click();
    void cmdSourceFile_Click();
    // The item frames' context menus: select every enabled box; clear all
    // but Calendars, which keeps its state.
    void SelectAll(ItemBoxes boxes);
    void DeselectAll(ItemBoxes boxes);
    void TaskScheduler_Click();
    void help1_Click();
    void website_Click();
    // A menu bar entry; File > "Backup Now" runs whatever tab is shown.
    void menuCommand(MainCommand command);
    // Quit, or the window's close box: false (after saying so) while a run
    // works; otherwise the session shut down and the program ended.
    bool quit_Click();

private:
    struct LineFeed;
    bool refuseWhileRunning();
    void reportScheduledRuns();
    void LoadLogList();
    backup::BackupRequest backupRequest() const;
    backup::BackupEvents progressEvents();
    void connectZipNotifications();
    void feedLine(StatusLine line, const std::shared_ptr<LineFeed>& feed, std::string text);
    void setRunning(bool on);
    void endRunDisplay();
    void finishBackup(const backup::BackupOutcome& outcome, const std::string& target);
    void finishRestore(const restore::RestoreOutcome& outcome);

    session::MainSession& session_;
    MainWindowView& view_;
    SchedulerFactory makeScheduler_;
    bool running_ = false;
    restore::RestoreState restoreState_;
    std::string lastSourceFile_;  // the backup opened last, where the open dialog starts
    std::shared_ptr<LineFeed> addingFeed_;
    std::shared_ptr<LineFeed> writingFeed_;
};

}  // namespace app

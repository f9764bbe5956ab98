#pragma once
// The main window: four tabs, the item boxes, target and source fields, the
// password fields, a progress panel, three buttons and the menu bar. It reads
// its controls and calls the core; the state lives in MainSession.

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

#include "backup/BackupRun.h"
#include "items/Catalogue.h"
#include "restore/RestoreRun.h"
#include "schedule/TaskScheduler.h"
#include "session/MainSession.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QWidget;

namespace app {

// Said when the window is to close while a backup or restore runs.
inline constexpr const char* kRunMustFinishMessage =
    "A backup or restore is running. Please wait until it has finished before you quit.";

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(session::MainSession& session, QWidget* parent = nullptr);

    // The window's load: discovery, then the controls follow what it found.
    void Form_Load();
    // The manual backup: checks on this thread, the work on a worker thread.
    void BackupRun();
    void RestoreRun();
    void cmdApply_Click();
    void cmdSourceFile_Click();
    void cmdAbout_Click();
    void settings_Click();
    void TaskScheduler_Click();
    // The item frames' context menus: select every enabled box; clear all
    // but Calendars, which keeps its state.
    static void SelectAll(std::array<QCheckBox*, items::kItemCount>& boxes);
    static void DeselectAll(std::array<QCheckBox*, items::kItemCount>& boxes);
    // The system's task scheduler by default; tests give their own.
    using SchedulerFactory = std::function<std::unique_ptr<schedule::TaskScheduler>()>;
    void setTaskSchedulerFactory(SchedulerFactory factory) { makeScheduler_ = std::move(factory); }
    // True while a backup or restore works.
    bool running() const { return running_; }

    // Controls, by their names in the program's design.
    QTabWidget* SSTab1;
    std::array<QCheckBox*, items::kItemCount> backupitem{};
    std::array<QCheckBox*, items::kItemCount> restoreitem{};
    QLineEdit* cbSource;
    QLineEdit* cbTarget;
    QLineEdit* txtTargetFile;
    QPushButton* cmdTargetFile;
    QPlainTextEdit* txtAttachInfo;
    QCheckBox* ifprotect;
    QLineEdit* txtPassword;
    QLineEdit* txtPassword2;
    QLineEdit* txtSourceFile;
    QPushButton* cmdSourceFile;
    QPlainTextEdit* txtPOBinfo;
    QPlainTextEdit* txtFileInfo;
    QListWidget* List1;
    QWidget* picCon3;
    QLabel* Label1;
    QProgressBar* pbshow;
    QLabel* SkinLabel11;
    QLabel* SkinLabel12;
    QPushButton* cmdApply;
    QPushButton* cmdAbout;
    QPushButton* cmdQuit;
    QMenu* selectitem;
    QMenu* selectitem2;
    QAction* backupMenu;
    QAction* restoreMenu;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool refuseWhileRunning();
    QWidget* buildBackupTab();
    QWidget* buildRestoreTab();
    QWidget* buildLogTab();
    QWidget* buildAboutTab();
    QWidget* buildProgressPanel();
    void buildMenus();

    void SSTab1_Click(int tab);
    void ifprotect_Click();
    void cmdTargetFile_Click();
    void quit_Click();
    void showTargetFile();
    void LoadLogList();
    // On opening: a failed or long-silent scheduled backup is said at once.
    void reportScheduledRuns();

    backup::BackupRequest backupRequestFromControls() const;
    void finishBackup(const backup::BackupOutcome& outcome, const std::string& target);
    void finishRestore(const restore::RestoreOutcome& outcome);
    backup::BackupEvents progressEvents();
    void startWorker(std::function<void()> work);
    void setRunning(bool on);
    // Runs `work` on this window's thread, from any thread.
    void post(std::function<void()> work);
    // Shows the newest of many texts sent from a worker, without queueing one
    // event per text.
    struct LabelFeed;
    void feedLabel(QLabel* label, const std::shared_ptr<LabelFeed>& feed, std::string text);
    void connectZipNotifications();

    session::MainSession& session_;
    bool running_ = false;
    restore::RestoreState restoreState_;
    std::string lastSourceFile_;  // the backup opened last, where the open dialog starts
    std::shared_ptr<LabelFeed> addingFeed_;
    std::shared_ptr<LabelFeed> writingFeed_;
    SchedulerFactory makeScheduler_;
};

// The caption of the apply button for each tab.
const char* ApplyCaptionForTab(int tab);

}  // namespace app

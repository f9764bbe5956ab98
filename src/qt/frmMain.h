#pragma once
// The main window in Qt: four tabs, the item boxes, target and source fields,
// the password fields, a progress panel, three buttons and the menu bar. It
// draws and wires; what it decides is app::MainWindowLogic's.

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

#include "app/MainWindow.h"

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

class frmMain : public QMainWindow, private MainWindowView {
    Q_OBJECT
public:
    explicit frmMain(session::MainSession& session, QWidget* parent = nullptr);

    void Form_Load() { logic_.Form_Load(); }
    void BackupRun() { logic_.BackupRun(); }
    void RestoreRun() { logic_.RestoreRun(); }
    void cmdApply_Click() { logic_.cmdApply_Click(); }
    void cmdSourceFile_Click() { logic_.cmdSourceFile_Click(); }
    void cmdAbout_Click() { showAbout(); }
    void settings_Click() { showSettings(); }
    void TaskScheduler_Click() { logic_.TaskScheduler_Click(); }
    // The system's task scheduler by default; tests give their own.
    using SchedulerFactory = MainWindowLogic::SchedulerFactory;
    void setTaskSchedulerFactory(SchedulerFactory factory) { logic_.setSchedulerFactory(std::move(factory)); }
    // True while a backup or restore works.
    bool running() const { return logic_.running(); }

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
    QWidget* buildBackupTab();
    QWidget* buildRestoreTab();
    QWidget* buildLogTab();
    QWidget* buildAboutTab();
    QWidget* buildProgressPanel();
    void buildMenus();
    QCheckBox* box(ItemBoxes boxes, std::size_t index) const;
    QLabel* statusLabel(StatusLine line) const;

    // MainWindowView
    bool itemChecked(ItemBoxes boxes, std::size_t index) const override;
    void setItemChecked(ItemBoxes boxes, std::size_t index, bool on) override;
    bool itemEnabled(ItemBoxes boxes, std::size_t index) const override;
    void setItemEnabled(ItemBoxes boxes, std::size_t index, bool on) override;
    std::string text(MainField field) const override;
    void setText(MainField field, const std::string& text) override;
    bool protectChecked() const override;
    void setPasswordBoxesUsable(bool usable) override;
    int currentTab() const override;
    void setApplyCaption(const std::string& caption) override;
    void setApplyEnabled(bool enabled) override;
    void showRunning(bool running) override;
    void showProgressPanel(bool shown) override;
    void setStatusLine(StatusLine line, const std::string& text) override;
    int progress() const override;
    void setProgress(int value) override;
    void showLogLines(const std::vector<std::string>& lines) override;
    void post(std::function<void()> work) override;
    void startWorker(std::function<void()> work) override;
    bool runKeepingWindowAlive(const std::function<bool()>& task) override;
    void showAbout() override;
    void showSettings() override;
    void showSchedule(schedule::TaskScheduler& scheduler) override;
    void showDiscWindow(const std::string& pendingName, const std::string& pendingPath) override;
    void endProgram() override;

    session::MainSession& session_;
    MainWindowLogic logic_;
};

}  // namespace app

#pragma once
// The main window: four tabs, the item boxes, target and source fields, the
// password fields, a progress panel, three buttons and the menu bar. It reads
// its controls and calls the core; the state lives in MainSession.

#include <QMainWindow>
#include <array>

#include "app/MainSession.h"
#include "items/Catalogue.h"

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

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(MainSession& session, QWidget* parent = nullptr);

    // The window's load: discovery, then the controls follow what it found.
    void Form_Load();

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

protected:
    void closeEvent(QCloseEvent* event) override;

private:
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

    MainSession& session_;
};

// The caption of the apply button for each tab.
const char* ApplyCaptionForTab(int tab);

}  // namespace app

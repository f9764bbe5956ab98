#pragma once
// The disc writing window in Qt: draws the folder tree, the file list, the
// writer's settings and the status bar, and hands every event to the
// toolkit-free DiscWriteWindowLogic.

#include <QDialog>
#include <array>
#include <memory>
#include <string>

#include "disc/DiscWriteWindow.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace disc {

class frmMaindvdwrite : public QDialog, private DiscWriteWindowView {
    Q_OBJECT
public:
    frmMaindvdwrite(std::unique_ptr<DiscEngine> engine, platform::Dialogs& dialogs, QWidget* parent = nullptr);
    ~frmMaindvdwrite() override;

    // Opens the window modally over a libburn engine with the drives of
    // $TARNHOLD_DISC_DRIVES, with the backup just written in its list; the
    // program ends when no engine can start.
    static void ShowModal(platform::Dialogs& dialogs, QWidget* parent, const std::string& pendingName,
                          const std::string& pendingPath);
    bool Form_Load(const std::string& pendingName = {}, const std::string& pendingPath = {}) {
        return logic_->Form_Load(pendingName, pendingPath);
    }

    DiscEngine& engine() { return *engine_; }
    bool ready() const { return logic_->ready(); }
    void cmdWriteDisc_Click() { logic_->cmdWriteDisc_Click(); }
    void cmdCancel_Click() { logic_->cmdCancel_Click(); }
    void RefreshFileList() { logic_->RefreshFileList(); }
    void ShowImageSize() { logic_->ShowImageSize(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildImagePane();
    QWidget* buildWritePane();
    void buildMenus();
    void ItemEdited(QTreeWidgetItem* item, bool folder);
    void EditorClosed(QTreeWidget* view);
    void PopUpFileMenu(bool tree, const QPoint& where);
    QTreeWidgetItem* folderNode(const std::string& key) const;
    QComboBox* choiceBox(Choice list) const;
    QCheckBox* optionBox(WriteOption option) const { return options_[static_cast<std::size_t>(option)]; }

    // DiscWriteWindowView
    void clearFolders() override;
    void addFolderNode(const std::string& parentKey, const std::string& key, const std::string& text) override;
    void rekeyFolderNode(const std::string& oldKey, const std::string& newKey, const std::string& text) override;
    void removeFolderNode(const std::string& key) override;
    void setFolderText(const std::string& key, const std::string& text) override;
    void expandFolder(const std::string& key) override;
    std::string selectedFolder() const override;
    void clearFiles() override;
    void addFileRow(const std::string& key, const std::string& name, const std::string& size,
                    const std::string& date) override;
    std::string selectedFile() const override;
    void beginRename(const std::string& key, bool folder) override;
    std::string volumeText() const override;
    void setVolumeText(const std::string& text) override;
    void fillChoices(Choice list, const std::vector<ChoiceEntry>& entries, int current) override;
    int chosenNumber(Choice list) const override;
    bool optionChecked(WriteOption option) const override;
    void setOptionChecked(WriteOption option, bool on) override;
    void setOptionEnabled(WriteOption option, bool on) override;
    void setComposing(bool enabled) override;
    void setBusyPointer(bool busy) override;
    void letEventsRun() override;
    void setStatus(int panel, const std::string& text) override;
    void setProgress(int percent) override;
    void showEraseWindow(DiscDevice& device, DiscEngine& engine) override;
    void closeWindow() override { close(); }

    std::unique_ptr<DiscEngine> engine_;
    platform::Dialogs& dialogs_;
    QMenuBar* menuBar_ = nullptr;
    std::array<QCheckBox*, kWriteOptions.size()> options_{};
    QTreeWidgetItem* editing_ = nullptr;  // the row whose name is being edited
    std::unique_ptr<DiscWriteWindowLogic> logic_;  // last: it goes first, before the widgets it draws on

public:
    QTreeWidget* tvwFolders = nullptr;
    QTreeWidget* lvwImageFiles = nullptr;
    QLabel* lblImageFileTitle = nullptr;
    QLineEdit* txtVolIdentifier = nullptr;
    QComboBox* cboDevices = nullptr;
    QComboBox* cboWriteSpeed = nullptr;
    QComboBox* cboVolumeType = nullptr;
    QCheckBox* chkUseBufferProtect = nullptr;
    QCheckBox* chkCacheImage = nullptr;
    QCheckBox* chkFinalizeDisc = nullptr;
    QCheckBox* chkTestWrite = nullptr;
    QCheckBox* chkAutoVerify = nullptr;
    QCheckBox* chkUseMode2XA = nullptr;
    QCheckBox* chkUseFileDates = nullptr;
    QCheckBox* chkDiscAtOnce = nullptr;
    QPushButton* cmdWriteDisc = nullptr;
    QPushButton* cmdCancel = nullptr;
    QProgressBar* prgTotalProgress = nullptr;
    QLabel* sbrPanels[3] = {};
    QMenu* mnuFile = nullptr;
    QMenu* mnuDevice = nullptr;
};

}  // namespace disc

#pragma once
// The disc writing window: composes the data image (a folder tree and a file
// list kept in step with the engine's image events), picks the writer, speed,
// volume type and options, writes, verifies and reports.

#include <QDialog>
#include <memory>
#include <string>

#include "disc/DiscEngine.h"
#include "platform/Dialogs.h"

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

class frmMaindvdwrite : public QDialog, private DiscEvents, private DiscImageEvents {
    Q_OBJECT
public:
    frmMaindvdwrite(std::unique_ptr<DiscEngine> engine, platform::Dialogs& dialogs, QWidget* parent = nullptr);
    ~frmMaindvdwrite() override;

    // Opens the window modally over a libburn engine with the drives of
    // $TARNHOLD_DISC_DRIVES; the program ends when no engine can start.
    static void ShowModal(platform::Dialogs& dialogs, QWidget* parent);
    // The backup run hands its new file over before the window opens.
    static void SetPendingDiscFile(const std::string& name, const std::string& path);
    // Steps of the window's opening; false when the engine could not start.
    bool Form_Load();

    DiscEngine& engine() { return *engine_; }
    bool ready() const { return ready_; }
    void cmdWriteDisc_Click();
    void cmdCancel_Click();
    void RefreshFileList();
    void ShowImageSize();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildImagePane();
    QWidget* buildWritePane();
    void buildMenus();
    void FillDevices();
    void cboDevices_Click();
    void FillWriteSpeeds();
    bool CheckFreeSpace();
    void EnableControls(bool enabled);
    void ResetToRoot();
    void ShowFolder(const std::string& imagePath);
    void DropPaths(const QStringList& paths);
    void RemoveSelected(bool folder);
    void RenameSelected(bool folder);
    void ItemEdited(QTreeWidgetItem* item, bool folder);
    void EditorClosed(QTreeWidget* view);
    void Rename(const std::string& key, const std::string& newName, bool folder);
    void PopUpFileMenu(bool tree, const QPoint& where);
    void status(const QString& text);

    // Engine events, raised on the engine's thread and handled on this one.
    void writeState(int state, int progress) override;
    void verifyStart(long count) override;
    void verifyFile(const VerifiedFile& file, int result, long position, long total) override;
    void verifyComplete(long checked, long matched) override;
    bool fileWarning(const FileRecord& record) override;
    void trackReading(int track, long value, const std::string& text) override;
    void writeError(const ErrorRecord& error) override;
    void onWriteState(int state, int progress);

    // Image events, raised on this thread before the image call returns.
    void itemAdded(const ImageItem& item) override;
    void fileListed(const ImageItem& item) override;
    void itemRenamed(const ImageItem& item) override;
    void itemRemoved(const ImageItem& item) override;
    bool replaceFile(const ImageItem& existing, const std::string& newSource) override;
    void imageCleared() override;

    QTreeWidgetItem* folderNode(const std::string& key) const;

    std::unique_ptr<DiscEngine> engine_;
    platform::Dialogs& dialogs_;
    DiscDevice* device_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    bool ready_ = true;
    QTreeWidgetItem* editing_ = nullptr;  // the row whose name is being edited

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

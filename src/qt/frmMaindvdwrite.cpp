#include "qt/frmMaindvdwrite.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>
#include <cstdlib>

#include "disc/DiscTexts.h"
#include "qt/frmErase.h"

namespace disc {
namespace {

constexpr const char* kNoDevicesMessage =
    "There are no compatible devices reported.\r\nSome older devices are not currently supported.";


constexpr int kKeyRole = Qt::UserRole;
const std::string kRoot = "\\";

struct PendingDiscFile {
    std::string name;
    std::string path;
};
PendingDiscFile& Pending() {
    static PendingDiscFile pending;
    return pending;
}

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string keyOf(const QTreeWidgetItem* item) { return item ? item->data(0, kKeyRole).toString().toStdString() : ""; }

template <typename W>
W* named(W* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

}  // namespace

void frmMaindvdwrite::SetPendingDiscFile(const std::string& name, const std::string& path) { Pending() = {name, path}; }

frmMaindvdwrite::frmMaindvdwrite(std::unique_ptr<DiscEngine> engine, platform::Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), engine_(std::move(engine)), dialogs_(dialogs) {
    setObjectName("frmMaindvdwrite");
    setWindowTitle("Backup Windows Live Mail Data to CD/DVD");
    auto* layout = new QVBoxLayout(this);
    buildMenus();
    layout->setMenuBar(menuBar_ = new QMenuBar(this));
    menuBar_->addMenu(mnuFile);
    menuBar_->addMenu(mnuDevice);
    layout->addWidget(buildImagePane(), 1);
    layout->addWidget(buildWritePane());
    auto* bar = new QStatusBar(this);
    for (int i = 0; i < 3; ++i) bar->addWidget(sbrPanels[i] = new QLabel, i == 0 ? 1 : 0);
    layout->addWidget(bar);
    engine_->setEvents(this);
    engine_->Image().setEvents(this);
    // Enter in a text box must never start a write.
    for (auto* button : findChildren<QPushButton*>()) button->setAutoDefault(false);
}

frmMaindvdwrite::~frmMaindvdwrite() {
    engine_->AbortWrite();
    engine_->Wait();
    engine_->setEvents(nullptr);
    engine_->Image().setEvents(nullptr);
}

QWidget* frmMaindvdwrite::buildImagePane() {
    auto* pane = new QWidget;
    auto* grid = new QGridLayout(pane);
    lblImageFileTitle = named(new QLabel("Drag and Drop Files or Folders"), "lblImageFileTitle");
    tvwFolders = named(new QTreeWidget, "tvwFolders");
    tvwFolders->setHeaderHidden(true);
    lvwImageFiles = named(new QTreeWidget, "lvwImageFiles");
    lvwImageFiles->setHeaderLabels({"File Name", "Size", "Date"});
    lvwImageFiles->setRootIsDecorated(false);
    // Size and date always whole; the name takes the rest.
    lvwImageFiles->header()->setStretchLastSection(false);
    lvwImageFiles->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    lvwImageFiles->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    lvwImageFiles->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    lvwImageFiles->setMinimumWidth(fontMetrics().horizontalAdvance("Backup.wlm 999999.99 KB 12/31/2026 12:59:59 PM") +
                                   80);
    // The root's label fits: the disc's volume name is long.
    tvwFolders->setMinimumWidth(fontMetrics().horizontalAdvance("Windows Live Mail Data Backup CD") + 70);
    for (QTreeWidget* view : {tvwFolders, lvwImageFiles}) {
        view->setAcceptDrops(true);
        view->viewport()->setAcceptDrops(true);
        view->viewport()->installEventFilter(this);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
    }
    connect(tvwFolders, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { ShowFolder(keyOf(item)); });
    connect(tvwFolders, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) { ItemEdited(item, true); });
    connect(lvwImageFiles, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) { ItemEdited(item, false); });
    connect(tvwFolders->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, [this] { EditorClosed(tvwFolders); });
    connect(lvwImageFiles->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            [this] { EditorClosed(lvwImageFiles); });
    connect(tvwFolders, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) { PopUpFileMenu(true, p); });
    connect(lvwImageFiles, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { PopUpFileMenu(false, p); });
    txtVolIdentifier = named(new QLineEdit, "txtVolIdentifier");
    connect(txtVolIdentifier, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (QTreeWidgetItem* root = folderNode(kRoot)) root->setText(0, text);
    });
    grid->addWidget(lblImageFileTitle, 0, 0, 1, 2);
    grid->addWidget(tvwFolders, 1, 0);
    grid->addWidget(lvwImageFiles, 1, 1);
    grid->setColumnStretch(1, 2);
    return pane;
}

QWidget* frmMaindvdwrite::buildWritePane() {
    auto* pane = new QWidget;
    auto* grid = new QGridLayout(pane);
    cboDevices = named(new QComboBox, "cboDevices");
    cboWriteSpeed = named(new QComboBox, "cboWriteSpeed");
    cboVolumeType = named(new QComboBox, "cboVolumeType");
    auto option = [](const char* name, const char* caption, const char* tip) {
        auto* box = named(new QCheckBox(caption), name);
        if (tip) box->setToolTip(tip);
        return box;
    };
    chkUseBufferProtect = option("chkUseBufferProtect", "Use Buffer Protection", "Eliminates buffer underrun problems.");
    chkCacheImage = option("chkCacheImage", "Cache Image", "Not needed for DVD formats...Use for CDR/W only.");
    chkFinalizeDisc = option("chkFinalizeDisc", "Finalize Disc", "Not valid for DVD+RW and DVD-RAM formats.");
    chkTestWrite = option("chkTestWrite", "Test Write", "Not valid for DVD formats.");
    chkAutoVerify = option("chkAutoVerify", "Auto-Verify Data", nullptr);
    chkUseMode2XA = option("chkUseMode2XA", "Mode2XA (CD Only)", "Please see help file for details on Mode2XA");
    chkUseFileDates = option("chkUseFileDates", "Use File Dates", nullptr);
    chkDiscAtOnce = option("chkDiscAtOnce", "Disc-At-Once", "Eliminates buffer underrun problems.");
    chkUseFileDates->setChecked(true);
    connect(chkUseFileDates, &QCheckBox::toggled, this,
            [this](bool on) { engine_->Settings().UseFileDates = on; });
    connect(cboDevices, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] { cboDevices_Click(); });
    cmdWriteDisc = named(new QPushButton("&Write Disc"), "cmdWriteDisc");
    cmdCancel = named(new QPushButton("&Cancel"), "cmdCancel");
    connect(cmdWriteDisc, &QPushButton::clicked, this, &frmMaindvdwrite::cmdWriteDisc_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmMaindvdwrite::cmdCancel_Click);
    prgTotalProgress = named(new QProgressBar, "prgTotalProgress");
    prgTotalProgress->setRange(0, 100);
    grid->addWidget(new QLabel("Device:"), 0, 0);
    grid->addWidget(cboDevices, 0, 1, 1, 3);
    grid->addWidget(new QLabel("Write Speed:"), 1, 0);
    grid->addWidget(cboWriteSpeed, 1, 1);
    grid->addWidget(new QLabel("Volume Type:"), 1, 2);
    grid->addWidget(cboVolumeType, 1, 3);
    grid->addWidget(new QLabel("Volume ID:"), 2, 0);
    grid->addWidget(txtVolIdentifier, 2, 1, 1, 3);
    QCheckBox* const boxes[] = {chkUseBufferProtect, chkCacheImage, chkFinalizeDisc, chkTestWrite,
                                chkAutoVerify,       chkUseMode2XA, chkUseFileDates, chkDiscAtOnce};
    for (int i = 0; i < 8; ++i) grid->addWidget(boxes[i], 3 + i / 4, i % 4);
    grid->addWidget(prgTotalProgress, 5, 0, 1, 2);
    grid->addWidget(cmdWriteDisc, 5, 2);
    grid->addWidget(cmdCancel, 5, 3);
    return pane;
}

void frmMaindvdwrite::buildMenus() {
    mnuFile = new QMenu("&File", this);
    connect(mnuFile->addAction("Clear All Items"), &QAction::triggered, this, [this] { engine_->Image().Clear(); });
    mnuFile->addSeparator();
    connect(mnuFile->addAction("Remove Folder"), &QAction::triggered, this, [this] { RemoveSelected(true); });
    connect(mnuFile->addAction("Rename Folder"), &QAction::triggered, this, [this] { RenameSelected(true); });
    connect(mnuFile->addAction("Remove File"), &QAction::triggered, this, [this] { RemoveSelected(false); });
    connect(mnuFile->addAction("Rename File"), &QAction::triggered, this, [this] { RenameSelected(false); });
    mnuFile->addSeparator();
    connect(mnuFile->addAction("Exit"), &QAction::triggered, this, &QDialog::close);
    mnuDevice = new QMenu("&Device", this);
    connect(mnuDevice->addAction("Eject"), &QAction::triggered, this, [this] {
        if (device_) device_->Eject();
    });
    connect(mnuDevice->addAction("Close Tray"), &QAction::triggered, this, [this] {
        if (device_) device_->CloseTray();
    });
    connect(mnuDevice->addAction("Erase Disc..."), &QAction::triggered, this, [this] {
        if (!device_) return;
        {
            frmErase erase(dialogs_, this);
            erase.ShowErase(device_, engine_.get());
        }
        engine_->setEvents(this);  // the erase window borrowed the engine's events
    });
}

void frmMaindvdwrite::ShowModal(platform::Dialogs& dialogs, QWidget* parent) {
    const char* drives = std::getenv("TARNHOLD_DISC_DRIVES");
    frmMaindvdwrite window(CreateLibburnEngine(drives ? drives : ""), dialogs, parent);
    if (!window.Form_Load()) {
        QCoreApplication::exit(1);
        return;
    }
    window.exec();
}

bool frmMaindvdwrite::Form_Load() {
    if (!engine_->InitializeDevices(false)) {
        dialogs_.message("Devices Cannot be initialized...Contact support!", platform::Icon::None);
        return false;
    }
    FillDevices();
    EnableControls(true);
    engine_->Image().Clear();
    const std::pair<const char*, int> types[] = {{"ISO9660", kIso9660},
                                                 {"UDF", kUdf},
                                                 {"ISO9660/Joliet Bridge", kJolietBridge},
                                                 {"ISO9660/UDF (DVDVideo) Bridge", kUdfDvdVideoBridge},
                                                 {"ISO9660/Joliet/UDF Bridge", kJolietUdfBridge}};
    for (const auto& [text, code] : types) cboVolumeType->addItem(text, code);
    cboVolumeType->setToolTip("No UDF is written here: the UDF types are written as ISO 9660 with Joliet and "
                              "Rock Ridge names, which every system reads.");
    cboVolumeType->setCurrentIndex(4);
    engine_->Settings().VolumeType = cboVolumeType->currentData().toInt();
    engine_->Settings().InitialSetting = 1;
    engine_->Settings().UseFileDates = true;
    ResetToRoot();
    txtVolIdentifier->setText("Windows Live Mail Data Backup CD");
    PendingDiscFile& pending = Pending();
    if (!pending.name.empty() && !pending.path.empty()) {
        engine_->Image().AddFile(pending.path, kRoot + pending.name);
        RefreshFileList();
        pending = {};
    }
    return true;
}

void frmMaindvdwrite::FillDevices() {
    cboDevices->clear();
    for (int i = 0; i < engine_->DeviceCount(); ++i) {
        DiscDevice* device = engine_->Device(i);
        if (device->IsWriter()) cboDevices->addItem(q(device->Name()), i);
    }
    std::string problems;
    for (const auto& p : engine_->DeviceProblems()) problems += p + "\r\n";
    if (!problems.empty()) dialogs_.message(problems.substr(0, problems.size() - 2), platform::Icon::Information);
    if (cboDevices->count() == 0) {
        dialogs_.message(kNoDevicesMessage, platform::Icon::Information);
        return;
    }
    cboDevices->setCurrentIndex(0);
    cboDevices_Click();
}

void frmMaindvdwrite::cboDevices_Click() {
    if (cboDevices->currentIndex() < 0) return;
    device_ = engine_->Device(cboDevices->currentData().toInt());
    if (!device_) return;
    FillWriteSpeeds();
    const bool protect = device_->SupportsCapability(kBufferProtection);
    chkUseBufferProtect->setEnabled(protect);
    chkUseBufferProtect->setChecked(protect);
}

void frmMaindvdwrite::FillWriteSpeeds() {
    cboWriteSpeed->clear();
    device_->RefreshMedia(false);
    const int count = device_->WriteSpeedCount();
    for (int i = 0; i < count; ++i) {
        const int speed = device_->WriteSpeed(i);
        cboWriteSpeed->addItem(q(FormatSpeedMultiplier(device_->SpeedMultiplier(speed))), speed);
    }
    if (count == 0) cboWriteSpeed->addItem("MAX", 0);
    cboWriteSpeed->setCurrentIndex(0);
}

bool frmMaindvdwrite::CheckFreeSpace() {
    device_->RefreshMedia(true);
    const DiscMedia media = device_->Media();
    if (media.MediaType == kNoMedia || !media.IsWritable) {
        dialogs_.message("Please Insert Writable Media before continuing!", platform::Icon::Information);
        return false;
    }
    const double freeBytes = static_cast<double>(device_->FreeBlocks(true)) * engine_->BlockSize();
    const std::string shortage = FreeSpaceShortage(freeBytes, engine_->ImageSize());
    if (!shortage.empty()) dialogs_.message(shortage, platform::Icon::Information);
    return shortage.empty();
}

void frmMaindvdwrite::cmdWriteDisc_Click() {
    if (!device_) {
        dialogs_.message(kNoDevicesMessage, platform::Icon::Information);
        return;
    }
    if (!CheckFreeSpace()) return;
    engine_->VolumeIdentifier() = txtVolIdentifier->text().toStdString();
    WriteSettings& s = engine_->Settings();
    s.WriteControl = 1;
    s.WriteSpeed = cboWriteSpeed->currentData().toInt();
    s.VolumeType = cboVolumeType->currentData().toInt();
    s.AutoVerify = chkAutoVerify->isChecked();
    s.Mode2XA = chkUseMode2XA->isChecked();
    s.CacheImage = chkCacheImage->isChecked();
    s.TestWrite = chkTestWrite->isChecked();
    s.FinalizeDisc = chkFinalizeDisc->isChecked();
    s.BufferProtect = chkUseBufferProtect->isChecked();
    s.WriteMode = chkDiscAtOnce->isChecked() ? 248 : 2;
    if (!engine_->StartWrite(device_)) {
        dialogs_.message("Disc Write could not be started.", platform::Icon::Critical);
        return;
    }
    EnableControls(false);
}

void frmMaindvdwrite::cmdCancel_Click() {
    engine_->AbortWrite();
    status("Aborting Write...Please Wait!");
}

void frmMaindvdwrite::EnableControls(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{
             cboDevices, cboWriteSpeed, lvwImageFiles, tvwFolders, cmdWriteDisc, chkCacheImage, chkFinalizeDisc,
             chkTestWrite, cboVolumeType, txtVolIdentifier, chkUseMode2XA, chkAutoVerify, chkUseFileDates,
             chkDiscAtOnce}) {
        w->setEnabled(enabled);
    }
    mnuFile->setEnabled(enabled);
    mnuDevice->setEnabled(enabled);
    chkUseBufferProtect->setEnabled(enabled && device_ && device_->SupportsCapability(kBufferProtection));
    cmdCancel->setEnabled(!enabled);
    ready_ = enabled;
    if (enabled) unsetCursor();
    else setCursor(Qt::WaitCursor);
    QApplication::processEvents();
}

void frmMaindvdwrite::status(const QString& text) { sbrPanels[0]->setText(text); }

void frmMaindvdwrite::ShowImageSize() {
    status("Data Image Size: " + q(FormatMegabytes(engine_->ImageSize())));
    sbrPanels[1]->setText("Files: " + QString::number(engine_->Image().FileCount()));
    sbrPanels[2]->setText("Folders: " + QString::number(engine_->Image().FolderCount()));
}

void frmMaindvdwrite::ResetToRoot() {
    lvwImageFiles->clear();
    tvwFolders->clear();
    auto* root = new QTreeWidgetItem(tvwFolders, {"New Disc"});
    root->setData(0, kKeyRole, q(kRoot));
    root->setIcon(0, style()->standardIcon(QStyle::SP_DriveCDIcon));
    txtVolIdentifier->setText("New Disc");
    engine_->VolumeIdentifier() = "New Disc";
    ShowImageSize();
}

void frmMaindvdwrite::ShowFolder(const std::string& imagePath) {
    setCursor(Qt::WaitCursor);
    lvwImageFiles->clear();
    engine_->Image().ListFolder(imagePath);
    if (ready_) unsetCursor();
}

void frmMaindvdwrite::RefreshFileList() {
    QTreeWidgetItem* node = tvwFolders->currentItem();
    if (!node) node = folderNode(kRoot);
    ShowFolder(node ? keyOf(node) : kRoot);
    if (node) node->setExpanded(true);
    ShowImageSize();
}

bool frmMaindvdwrite::eventFilter(QObject* watched, QEvent* event) {
    const bool ours = watched == tvwFolders->viewport() || watched == lvwImageFiles->viewport();
    if (ours && (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove)) {
        auto* drag = static_cast<QDropEvent*>(event);
        if (drag->mimeData()->hasUrls()) drag->acceptProposedAction();
        return true;
    }
    if (ours && event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        QStringList paths;
        for (const QUrl& url : drop->mimeData()->urls()) {
            if (url.isLocalFile()) paths << url.toLocalFile();
        }
        if (!paths.isEmpty()) DropPaths(paths);
        drop->acceptProposedAction();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmMaindvdwrite::DropPaths(const QStringList& paths) {
    setCursor(Qt::WaitCursor);
    std::string target;
    if (QTreeWidgetItem* node = tvwFolders->currentItem(); node && keyOf(node) != kRoot) target = keyOf(node);
    for (const QString& path : paths) {
        const std::string name = QFileInfo(path).fileName().toStdString();
        if (QFileInfo(path).isDir()) engine_->Image().AddFolder(path.toStdString() + "\\*.*", target + "\\" + name);
        else engine_->Image().AddFile(path.toStdString(), target + "\\" + name);
    }
    RefreshFileList();
    unsetCursor();
}

void frmMaindvdwrite::RemoveSelected(bool folder) {
    QTreeWidgetItem* item = folder ? tvwFolders->currentItem() : lvwImageFiles->currentItem();
    if (!item) {
        dialogs_.message("No Item Selected.", platform::Icon::Information);
        return;
    }
    if (!engine_->Image().RemoveItem(keyOf(item))) dialogs_.message("Item could not be removed.", platform::Icon::Information);
    RefreshFileList();
}

void frmMaindvdwrite::RenameSelected(bool folder) {
    QTreeWidget* view = folder ? tvwFolders : lvwImageFiles;
    QTreeWidgetItem* item = view->currentItem();
    if (!item) {
        dialogs_.message("No Item Selected.", platform::Icon::Information);
        return;
    }
    if (folder && keyOf(item) == kRoot) {
        dialogs_.message("Root directory can not be renamed.", platform::Icon::Information);
        return;
    }
    // Made editable quietly: the flag change is reported as an edit, and an
    // edit refreshes the list, which would delete the row about to be edited.
    {
        QSignalBlocker quiet(view);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
    editing_ = item;
    view->editItem(item, 0);
}

void frmMaindvdwrite::EditorClosed(QTreeWidget* view) {
    QTreeWidgetItem* item = editing_;
    editing_ = nullptr;
    if (!item) return;
    // Cancelled: the row is no longer editable.
    QSignalBlocker quiet(view);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
}

void frmMaindvdwrite::ItemEdited(QTreeWidgetItem* item, bool folder) {
    if (!editing_ || item != editing_) return;
    editing_ = nullptr;
    QTreeWidget* view = folder ? tvwFolders : lvwImageFiles;
    {
        QSignalBlocker quiet(view);
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    }
    const std::string key = keyOf(item), newName = item->text(0).toStdString();
    // After the editor has let go of the row: the refresh below deletes it.
    QMetaObject::invokeMethod(this, [this, key, newName, folder] { Rename(key, newName, folder); }, Qt::QueuedConnection);
}

void frmMaindvdwrite::Rename(const std::string& key, const std::string& newName, bool folder) {
    const std::string oldName = key.substr(key.rfind('\\') + 1);
    const bool renamed = newName == oldName ||
                         (folder ? engine_->Image().RenameFolder(key, newName) : engine_->Image().RenameFile(key, newName));
    if (!renamed) {
        dialogs_.message(folder ? "Folder could not be renamed." : "File could not be renamed.",
                         platform::Icon::Information);
        if (QTreeWidgetItem* node = folder ? folderNode(key) : nullptr) {
            // The tree shows the name the image still has.
            QSignalBlocker quiet(tvwFolders);
            node->setText(0, q(oldName));
        }
    }
    RefreshFileList();
}

void frmMaindvdwrite::PopUpFileMenu(bool tree, const QPoint& where) {
    const auto actions = mnuFile->actions();  // Clear, sep, Remove/Rename Folder, Remove/Rename File, sep, Exit
    for (int i = 0; i < actions.size(); ++i) {
        const bool shown = i == 0 || (tree ? (i == 2 || i == 3) : (i == 4 || i == 5));
        actions[i]->setVisible(shown);
    }
    QWidget* view = tree ? static_cast<QWidget*>(tvwFolders) : lvwImageFiles;
    mnuFile->exec(view->mapToGlobal(where));
    for (QAction* a : actions) a->setVisible(true);
}

QTreeWidgetItem* frmMaindvdwrite::folderNode(const std::string& key) const {
    for (QTreeWidgetItemIterator it(tvwFolders); *it; ++it) {
        if (keyOf(*it) == key) return *it;
    }
    return nullptr;
}

void frmMaindvdwrite::itemAdded(const ImageItem& item) {
    if (item.isFolder) {
        if (QTreeWidgetItem* parent = folderNode(item.parent)) {
            auto* node = new QTreeWidgetItem(parent, {q(item.name)});
            node->setData(0, kKeyRole, q(item.imagePath));
            node->setIcon(0, style()->standardIcon(QStyle::SP_DirClosedIcon));
        }
        status("Adding...." + q(item.imagePath));
    }
    QApplication::processEvents();
}

void frmMaindvdwrite::fileListed(const ImageItem& item) {
    if (item.isFolder) return;
    auto* row = new QTreeWidgetItem(lvwImageFiles, {q(item.name), q(FormatKilobytes(item.size)), q(FormatListDate(item.date))});
    row->setData(0, kKeyRole, q(item.imagePath));
    row->setIcon(0, style()->standardIcon(QStyle::SP_FileIcon));
}

void frmMaindvdwrite::itemRenamed(const ImageItem& item) {
    if (!item.isFolder) return;
    if (QTreeWidgetItem* node = folderNode(item.previousPath)) {
        QSignalBlocker quiet(tvwFolders);
        node->setData(0, kKeyRole, q(item.imagePath));
        node->setText(0, q(item.name));
    }
}

void frmMaindvdwrite::itemRemoved(const ImageItem& item) {
    if (item.isFolder) delete folderNode(item.imagePath);
}

bool frmMaindvdwrite::replaceFile(const ImageItem& existing, const std::string& newSource) {
    const std::string question = "A file already exists in the image: \r\n" + existing.imagePath +
                                 "\r\nWould you like to replace it with: \r\n" + newSource + " ?";
    return dialogs_.message(question, platform::Icon::Question, platform::Buttons::OkCancel, "Replace file...") ==
           platform::Answer::Ok;
}

void frmMaindvdwrite::imageCleared() { ResetToRoot(); }

void frmMaindvdwrite::writeState(int state, int progress) {
    QMetaObject::invokeMethod(this, [this, state, progress] { onWriteState(state, progress); }, Qt::QueuedConnection);
}

void frmMaindvdwrite::onWriteState(int state, int progress) {
    switch (state) {
    case kPreparingImage: status("Preparing Image...."); break;
    case kWritingPregap: case kWritingData: case kFlushingData: prgTotalProgress->setValue(progress); break;
    case kClosingTrack: status("Closing Track...."); break;
    case kWritingLeadIn: status("Writing Lead-in...."); break;
    case kWritingLeadOut: status("Writing Lead-out...."); break;
    case kUpdatingVolume: status("Updating Volume...."); break;
    case kWriteCompleted:
        status("Write Completed!");
        dialogs_.message(engine_->Settings().AutoVerify ? "Write and Verify Complete!" : "Write Complete!",
                         platform::Icon::Information);
        EnableControls(true);
        break;
    case kWriteCancelled:
        status("Write Cancelled....");
        dialogs_.message("Write Cancelled!", platform::Icon::Information);
        EnableControls(true);
        break;
    case kWriteFailed:
        status("Write Error!");
        EnableControls(true);
        break;
    default: break;
    }
}

void frmMaindvdwrite::verifyStart(long count) {
    QMetaObject::invokeMethod(this, [this, count] { status("Auto-Verify... " + QString::number(count) + " new files."); },
                              Qt::QueuedConnection);
}

void frmMaindvdwrite::verifyFile(const VerifiedFile& file, int result, long position, long total) {
    QMetaObject::invokeMethod(this, [this, file, result, position, total] {
        status("Auto-Verify... " + q(file.discPath));
        prgTotalProgress->setValue(total > 0 ? static_cast<int>(std::lround(100.0 * static_cast<double>(position) / static_cast<double>(total))) : 0);
        const std::string heading = VerifyErrorHeading(result);
        if (!heading.empty()) {
            dialogs_.message(heading + "\r\n" + file.discPath + " (disc)\r\n" + file.sourcePath + " (source)",
                             platform::Icon::None);
        }
    }, Qt::QueuedConnection);
}

void frmMaindvdwrite::verifyComplete(long checked, long matched) {
    QMetaObject::invokeMethod(this, [this, checked, matched] {
        status("Auto-Verify...Complete (" + QString::number(matched) + " of " + QString::number(checked) + " MATCHED)");
    }, Qt::QueuedConnection);
}

bool frmMaindvdwrite::fileWarning(const FileRecord& record) {
    bool goOn = true;
    QMetaObject::invokeMethod(this, [this, record, &goOn] {
        goOn = dialogs_.message("File Warning(" + std::to_string(record.number) + "):" + record.fileName + "\r\n" +
                                    record.description,
                                platform::Icon::Exclamation, platform::Buttons::OkCancel) == platform::Answer::Ok;
        status("File Warning!");
    }, Qt::BlockingQueuedConnection);
    return goOn;
}

void frmMaindvdwrite::trackReading(int track, long value, const std::string& text) {
    QMetaObject::invokeMethod(this, [this, track, value, text] {
        status(QString("Track: %1 - Reading...%2 - %3").arg(track, 2, 10, QChar('0')).arg(value).arg(q(text)));
    }, Qt::QueuedConnection);
}

void frmMaindvdwrite::writeError(const ErrorRecord& error) {
    QMetaObject::invokeMethod(this, [this, error] { dialogs_.message(FormatWriteError(error), platform::Icon::Critical); },
                              Qt::QueuedConnection);
}

void frmMaindvdwrite::closeEvent(QCloseEvent* event) {
    if (!ready_) event->ignore();
    else QDialog::closeEvent(event);
}

void frmMaindvdwrite::reject() {
    if (ready_) QDialog::reject();
}

}  // namespace disc

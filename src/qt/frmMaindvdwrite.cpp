#include "qt/frmMaindvdwrite.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDropEvent>
#include <QGridLayout>
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
#include <cstdlib>

#include "qt/frmErase.h"

namespace disc {
namespace {

constexpr int kKeyRole = Qt::UserRole;

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string keyOf(const QTreeWidgetItem* item) { return item ? item->data(0, kKeyRole).toString().toStdString() : ""; }

template <typename W>
W* named(W* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

}  // namespace

frmMaindvdwrite::frmMaindvdwrite(std::unique_ptr<DiscEngine> engine, platform::Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), engine_(std::move(engine)), dialogs_(dialogs) {
    setObjectName("frmMaindvdwrite");
    setWindowTitle(kDiscWindowCaption);
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
    // Enter in a text box must never start a write.
    for (auto* button : findChildren<QPushButton*>()) button->setAutoDefault(false);
    // Events from the engine's thread come back on this one; none comes after the window has gone.
    DiscWriteWindowView& view = *this;
    logic_ = std::make_unique<DiscWriteWindowLogic>(*engine_, dialogs_, view, [this](std::function<void()> work) {
        QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
    });
}

frmMaindvdwrite::~frmMaindvdwrite() { logic_.reset(); }

QWidget* frmMaindvdwrite::buildImagePane() {
    auto* pane = new QWidget;
    auto* grid = new QGridLayout(pane);
    lblImageFileTitle = named(new QLabel(kImageFileTitle), "lblImageFileTitle");
    tvwFolders = named(new QTreeWidget, "tvwFolders");
    tvwFolders->setHeaderHidden(true);
    lvwImageFiles = named(new QTreeWidget, "lvwImageFiles");
    lvwImageFiles->setHeaderLabels({kFileColumns[0], kFileColumns[1], kFileColumns[2]});
    lvwImageFiles->setRootIsDecorated(false);
    // Size and date always whole; the name takes the rest.
    lvwImageFiles->header()->setStretchLastSection(false);
    lvwImageFiles->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    lvwImageFiles->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    lvwImageFiles->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    lvwImageFiles->setMinimumWidth(fontMetrics().horizontalAdvance("Backup.wlm 999999.99 KB 12/31/2026 12:59:59 PM") +
                                   80);
    // The root's label fits: the disc's volume name is long.
    tvwFolders->setMinimumWidth(fontMetrics().horizontalAdvance(kBackupDiscName) + 70);
    for (QTreeWidget* view : {tvwFolders, lvwImageFiles}) {
        view->setAcceptDrops(true);
        view->viewport()->setAcceptDrops(true);
        view->viewport()->installEventFilter(this);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
    }
    connect(tvwFolders, &QTreeWidget::itemClicked, this, [this] { logic_->tvwFolders_Click(); });
    connect(tvwFolders, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) { ItemEdited(item, true); });
    connect(lvwImageFiles, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) { ItemEdited(item, false); });
    connect(tvwFolders->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, [this] { EditorClosed(tvwFolders); });
    connect(lvwImageFiles->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            [this] { EditorClosed(lvwImageFiles); });
    connect(tvwFolders, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) { PopUpFileMenu(true, p); });
    connect(lvwImageFiles, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { PopUpFileMenu(false, p); });
    txtVolIdentifier = named(new QLineEdit, "txtVolIdentifier");
    connect(txtVolIdentifier, &QLineEdit::textChanged, this, [this] { logic_->txtVolIdentifier_Change(); });
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
    cboVolumeType->setToolTip("No UDF is written here: the UDF types are written as ISO 9660 with Joliet and "
                              "Rock Ridge names, which every system reads.");
    for (std::size_t i = 0; i < kWriteOptions.size(); ++i) {
        const WriteOptionRow& row = kWriteOptions[i];
        options_[i] = named(new QCheckBox(row.caption), row.name);
        if (row.tooltip) options_[i]->setToolTip(row.tooltip);
        grid->addWidget(options_[i], 3 + static_cast<int>(i) / 4, static_cast<int>(i) % 4);
    }
    chkUseBufferProtect = optionBox(WriteOption::BufferProtect);
    chkCacheImage = optionBox(WriteOption::CacheImage);
    chkFinalizeDisc = optionBox(WriteOption::FinalizeDisc);
    chkTestWrite = optionBox(WriteOption::TestWrite);
    chkAutoVerify = optionBox(WriteOption::AutoVerify);
    chkUseMode2XA = optionBox(WriteOption::Mode2XA);
    chkUseFileDates = optionBox(WriteOption::UseFileDates);
    chkDiscAtOnce = optionBox(WriteOption::DiscAtOnce);
    connect(chkUseFileDates, &QCheckBox::toggled, this, [this] { logic_->chkUseFileDates_Click(); });
    connect(cboDevices, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] { logic_->cboDevices_Click(); });
    cmdWriteDisc = named(new QPushButton(kWriteDiscCaption), "cmdWriteDisc");
    cmdCancel = named(new QPushButton(kCancelWriteCaption), "cmdCancel");
    connect(cmdWriteDisc, &QPushButton::clicked, this, [this] { logic_->cmdWriteDisc_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { logic_->cmdCancel_Click(); });
    prgTotalProgress = named(new QProgressBar, "prgTotalProgress");
    prgTotalProgress->setRange(0, 100);
    grid->addWidget(new QLabel(kDeviceLabel), 0, 0);
    grid->addWidget(cboDevices, 0, 1, 1, 3);
    grid->addWidget(new QLabel(kWriteSpeedLabel), 1, 0);
    grid->addWidget(cboWriteSpeed, 1, 1);
    grid->addWidget(new QLabel(kVolumeTypeLabel), 1, 2);
    grid->addWidget(cboVolumeType, 1, 3);
    grid->addWidget(new QLabel(kVolumeIdLabel), 2, 0);
    grid->addWidget(txtVolIdentifier, 2, 1, 1, 3);
    grid->addWidget(prgTotalProgress, 5, 0, 1, 2);
    grid->addWidget(cmdWriteDisc, 5, 2);
    grid->addWidget(cmdCancel, 5, 3);
    return pane;
}

void frmMaindvdwrite::buildMenus() {
    mnuFile = new QMenu(kFileMenuCaption, this);
    for (const FileMenuRow& row : kFileMenu) {
        if (!row.caption) {
            mnuFile->addSeparator();
            continue;
        }
        const FileCommand command = row.command;
        connect(mnuFile->addAction(row.caption), &QAction::triggered, this, [this, command] { logic_->FileMenu(command); });
    }
    mnuDevice = new QMenu(kDeviceMenuCaption, this);
    for (const auto& [command, caption] : kDeviceMenu) {
        const DeviceCommand chosen = command;
        connect(mnuDevice->addAction(caption), &QAction::triggered, this, [this, chosen] { logic_->DeviceMenu(chosen); });
    }
}

void frmMaindvdwrite::ShowModal(platform::Dialogs& dialogs, QWidget* parent, const std::string& pendingName,
                                const std::string& pendingPath) {
    const char* drives = std::getenv("TARNHOLD_DISC_DRIVES");
    frmMaindvdwrite window(CreateLibburnEngine(drives ? drives : ""), dialogs, parent);
    if (!window.Form_Load(pendingName, pendingPath)) {
        QCoreApplication::exit(1);
        return;
    }
    window.exec();
}

void frmMaindvdwrite::showEraseWindow(DiscDevice& device, DiscEngine& engine) {
    frmErase erase(dialogs_, this);
    erase.ShowErase(&device, &engine);
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
        std::vector<std::string> paths;
        for (const QUrl& url : drop->mimeData()->urls()) {
            if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
        }
        if (!paths.empty()) logic_->DropPaths(paths);
        drop->acceptProposedAction();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmMaindvdwrite::beginRename(const std::string& key, bool folder) {
    QTreeWidget* view = folder ? tvwFolders : lvwImageFiles;
    QTreeWidgetItem* item = view->currentItem();
    if (!item || keyOf(item) != key) return;
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
    // After the editor has let go of the row: the refresh that follows deletes it.
    QMetaObject::invokeMethod(this, [this, key, newName, folder] { logic_->EditEnded(key, newName, folder); },
                              Qt::QueuedConnection);
}

void frmMaindvdwrite::PopUpFileMenu(bool tree, const QPoint& where) {
    const auto actions = mnuFile->actions();  // one per row of kFileMenu
    for (int i = 0; i < actions.size(); ++i) {
        const FileMenuRow& row = kFileMenu[static_cast<std::size_t>(i)];
        actions[i]->setVisible(tree ? row.onTree : row.onList);
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

void frmMaindvdwrite::clearFolders() { tvwFolders->clear(); }

void frmMaindvdwrite::addFolderNode(const std::string& parentKey, const std::string& key, const std::string& text) {
    QTreeWidgetItem* node = nullptr;
    if (parentKey.empty()) {
        node = new QTreeWidgetItem(tvwFolders, {q(text)});
        node->setIcon(0, style()->standardIcon(QStyle::SP_DriveCDIcon));
    } else if (QTreeWidgetItem* parent = folderNode(parentKey)) {
        node = new QTreeWidgetItem(parent, {q(text)});
        node->setIcon(0, style()->standardIcon(QStyle::SP_DirClosedIcon));
    }
    if (node) node->setData(0, kKeyRole, q(key));
}

void frmMaindvdwrite::rekeyFolderNode(const std::string& oldKey, const std::string& newKey, const std::string& text) {
    if (QTreeWidgetItem* node = folderNode(oldKey)) {
        QSignalBlocker quiet(tvwFolders);
        node->setData(0, kKeyRole, q(newKey));
        node->setText(0, q(text));
    }
}

void frmMaindvdwrite::removeFolderNode(const std::string& key) { delete folderNode(key); }

void frmMaindvdwrite::setFolderText(const std::string& key, const std::string& text) {
    if (QTreeWidgetItem* node = folderNode(key)) {
        QSignalBlocker quiet(tvwFolders);
        node->setText(0, q(text));
    }
}

void frmMaindvdwrite::expandFolder(const std::string& key) {
    if (QTreeWidgetItem* node = folderNode(key)) node->setExpanded(true);
}

std::string frmMaindvdwrite::selectedFolder() const { return keyOf(tvwFolders->currentItem()); }

void frmMaindvdwrite::clearFiles() { lvwImageFiles->clear(); }

void frmMaindvdwrite::addFileRow(const std::string& key, const std::string& name, const std::string& size,
                                 const std::string& date) {
    auto* row = new QTreeWidgetItem(lvwImageFiles, {q(name), q(size), q(date)});
    row->setData(0, kKeyRole, q(key));
    row->setIcon(0, style()->standardIcon(QStyle::SP_FileIcon));
}

std::string frmMaindvdwrite::selectedFile() const { return keyOf(lvwImageFiles->currentItem()); }

std::string frmMaindvdwrite::volumeText() const { return txtVolIdentifier->text().toStdString(); }

void frmMaindvdwrite::setVolumeText(const std::string& text) {
    QSignalBlocker quiet(txtVolIdentifier);
    txtVolIdentifier->setText(q(text));
}

QComboBox* frmMaindvdwrite::choiceBox(Choice list) const {
    switch (list) {
        case Choice::Devices: return cboDevices;
        case Choice::WriteSpeed: return cboWriteSpeed;
        case Choice::VolumeType: return cboVolumeType;
    }
    return nullptr;
}

void frmMaindvdwrite::fillChoices(Choice list, const std::vector<ChoiceEntry>& entries, int current) {
    QComboBox* box = choiceBox(list);
    QSignalBlocker quiet(box);
    box->clear();
    for (const auto& [text, number] : entries) box->addItem(q(text), number);
    box->setCurrentIndex(current);
}

int frmMaindvdwrite::chosenNumber(Choice list) const {
    const QComboBox* box = choiceBox(list);
    return box->currentIndex() < 0 ? -1 : box->currentData().toInt();
}

bool frmMaindvdwrite::optionChecked(WriteOption option) const { return optionBox(option)->isChecked(); }

void frmMaindvdwrite::setOptionChecked(WriteOption option, bool on) {
    QSignalBlocker quiet(optionBox(option));
    optionBox(option)->setChecked(on);
}

void frmMaindvdwrite::setOptionEnabled(WriteOption option, bool on) { optionBox(option)->setEnabled(on); }

void frmMaindvdwrite::setComposing(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{cboDevices, cboWriteSpeed, lvwImageFiles, tvwFolders, cmdWriteDisc,
                                                      cboVolumeType, txtVolIdentifier}) {
        w->setEnabled(enabled);
    }
    for (QCheckBox* box : options_) box->setEnabled(enabled);
    mnuFile->setEnabled(enabled);
    mnuDevice->setEnabled(enabled);
    cmdCancel->setEnabled(!enabled);
}

void frmMaindvdwrite::setBusyPointer(bool busy) {
    if (busy) setCursor(Qt::WaitCursor);
    else unsetCursor();
}

void frmMaindvdwrite::letEventsRun() { QApplication::processEvents(); }

void frmMaindvdwrite::setStatus(int panel, const std::string& text) { sbrPanels[panel]->setText(q(text)); }

void frmMaindvdwrite::setProgress(int percent) { prgTotalProgress->setValue(percent); }

void frmMaindvdwrite::closeEvent(QCloseEvent* event) {
    if (!logic_->mayClose()) event->ignore();
    else QDialog::closeEvent(event);
}

void frmMaindvdwrite::reject() {
    if (logic_->mayClose()) QDialog::reject();
}

}  // namespace disc

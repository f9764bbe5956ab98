#include "qt/frmMain.h"

#include <QApplication>
#include <QThread>
#include <map>
#include <mutex>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "config/Globals.h"
#include "qt/Frmoption.h"
#include "qt/Frmsettings.h"
#include "qt/PasswordBoxes.h"
#include "qt/QtBlockingRun.h"
#include "qt/frmMaindvdwrite.h"
#include "qt/frmabout.h"
#include "schedule/SystemTaskScheduler.h"

namespace app {

namespace {

// A read-only box exactly as tall as `lines` lines of its font.
void showLinesWithoutScrolling(QPlainTextEdit* box, int lines) {
    const int margins = static_cast<int>(2 * box->document()->documentMargin()) + 2 * box->frameWidth() +
                        box->contentsMargins().top() + box->contentsMargins().bottom();
    box->setFixedHeight(box->fontMetrics().lineSpacing() * lines + margins + 2);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

template <typename W>
W* named(W* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

QGroupBox* itemFrame(const char* name, const char* title, const char* label,
                     std::array<QCheckBox*, items::kItemCount>& boxes, const char* arrayName,
                     const char* userLabel, QLineEdit*& userField, const char* userFieldName) {
    auto* frame = named(new QGroupBox(title), name);
    auto* grid = new QGridLayout(frame);
    grid->addWidget(new QLabel(label), 0, 0, 1, 2);
    for (const auto& item : items::kCatalogue) {
        auto* box = new QCheckBox(QString::fromUtf8(item.caption.data(), qsizetype(item.caption.size())).replace("&", "&&"));
        box->setObjectName(QString("%1_%2").arg(arrayName).arg(item.index));
        boxes[item.index] = box;
        grid->addWidget(box, 1 + int(item.index) / 2, int(item.index) % 2);
    }
    auto* userRow = new QHBoxLayout;
    userRow->addWidget(new QLabel(userLabel));
    userField = named(new QLineEdit, userFieldName);
    userRow->addWidget(userField);
    grid->addLayout(userRow, 8, 0, 1, 2);
    return frame;
}

}  // namespace

frmMain::frmMain(session::MainSession& session, QWidget* parent)
    : QMainWindow(parent),
      session_(session),
      logic_(session, *this, [this] {
          return schedule::SystemTaskScheduler(session_.services, platform::Environment::runningExecutable());
      }) {
    setObjectName("frmMain");
    setWindowTitle(kMainWindowCaption);

    SSTab1 = named(new QTabWidget, "SSTab1");
    SSTab1->addTab(buildBackupTab(), kTabCaptions[0]);
    SSTab1->addTab(buildRestoreTab(), kTabCaptions[1]);
    SSTab1->addTab(buildLogTab(), kTabCaptions[2]);
    SSTab1->addTab(buildAboutTab(), kTabCaptions[3]);

    cmdApply = named(new QPushButton("Backup Now"), "cmdApply");
    cmdAbout = named(new QPushButton("About"), "cmdAbout");
    cmdQuit = named(new QPushButton("Quit"), "cmdQuit");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdApply);
    buttons->addWidget(cmdAbout);
    buttons->addWidget(cmdQuit);

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(SSTab1);
    layout->addWidget(buildProgressPanel());
    layout->addLayout(buttons);
    setCentralWidget(central);
    buildMenus();

    connect(SSTab1, &QTabWidget::currentChanged, this, [this](int tab) { logic_.SSTab1_Click(tab); });
    connect(ifprotect, &QCheckBox::toggled, this, [this] { logic_.ifprotect_Click(); });
    connect(cmdTargetFile, &QPushButton::clicked, this, [this] { logic_.cmdTargetFile_Click(); });
    connect(cmdQuit, &QPushButton::clicked, this, [this] { logic_.quit_Click(); });
    connect(cmdApply, &QPushButton::clicked, this, &frmMain::cmdApply_Click);
    connect(cmdSourceFile, &QPushButton::clicked, this, &frmMain::cmdSourceFile_Click);
    connect(cmdAbout, &QPushButton::clicked, this, &frmMain::cmdAbout_Click);
    for (const auto& framed : {std::pair{findChild<QGroupBox*>("Frame1"), &selectitem},
                               std::pair{findChild<QGroupBox*>("Frame4"), &selectitem2}}) {
        // A right click inside the item frame pops up its menu. (Plain
        // variables: not every compiler lets a lambda capture a binding.)
        QGroupBox* frame = framed.first;
        auto* menu = framed.second;
        frame->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(frame, &QWidget::customContextMenuRequested, this,
                [frame, menu](const QPoint& at) { (*menu)->popup(frame->mapToGlobal(at)); });
    }
    logic_.ifprotect_Click();
}

QWidget* frmMain::buildBackupTab() {
    auto* tab = new QWidget;
    auto* frame1 = itemFrame("Frame1", "What", "Items to backup", backupitem, "backupitem", "User to Backup",
                             cbSource, "cbSource");

    auto* frame2 = named(new QGroupBox("Where"), "Frame2");
    auto* where = new QGridLayout(frame2);
    where->addWidget(new QLabel("Choose a Backup Filename"), 0, 0, 1, 2);
    txtTargetFile = named(new QLineEdit, "txtTargetFile");
    cmdTargetFile = named(new QPushButton("Browse..."), "cmdTargetFile");
    where->addWidget(txtTargetFile, 1, 0);
    where->addWidget(cmdTargetFile, 1, 1);
    where->addWidget(new QLabel("Description"), 2, 0, 1, 2);
    txtAttachInfo = named(new QPlainTextEdit, "txtAttachInfo");
    txtAttachInfo->setMaximumHeight(70);
    txtAttachInfo->setTabChangesFocus(true);  // Tab moves on; it is never part of the description
    where->addWidget(txtAttachInfo, 3, 0, 1, 2);

    auto* frame5 = named(new QGroupBox("Security"), "Frame5");
    auto* security = new QGridLayout(frame5);
    ifprotect = named(new QCheckBox("Protect backup file with password"), "ifprotect");
    txtPassword = named(new QLineEdit, "txtPassword");
    txtPassword2 = named(new QLineEdit, "txtPassword2");
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword2->setEchoMode(QLineEdit::Password);
    security->addWidget(ifprotect, 0, 0, 1, 2);
    security->addWidget(new QLabel("Password:"), 1, 0);
    security->addWidget(txtPassword, 1, 1);
    security->addWidget(new QLabel("Retype Password:"), 2, 0);
    security->addWidget(txtPassword2, 2, 1);

    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(frame1);
    layout->addWidget(frame2);
    layout->addWidget(frame5);
    return tab;
}

QWidget* frmMain::buildRestoreTab() {
    auto* tab = new QWidget;
    auto* frame3 = named(new QGroupBox("Where"), "Frame3");
    auto* where = new QGridLayout(frame3);
    where->addWidget(new QLabel("Choose a Backup File to Restore From"), 0, 0, 1, 2);
    txtSourceFile = named(new QLineEdit, "txtSourceFile");
    txtSourceFile->setReadOnly(true);
    cmdSourceFile = named(new QPushButton("Browse..."), "cmdSourceFile");
    where->addWidget(txtSourceFile, 1, 0);
    where->addWidget(cmdSourceFile, 1, 1);
    txtPOBinfo = named(new QPlainTextEdit, "txtPOBinfo");
    txtPOBinfo->setReadOnly(true);
    showLinesWithoutScrolling(txtPOBinfo, 3);  // computer, user, date
    where->addWidget(txtPOBinfo, 2, 0, 1, 2);
    where->addWidget(new QLabel("Description"), 3, 0, 1, 2);
    txtFileInfo = named(new QPlainTextEdit, "txtFileInfo");
    txtFileInfo->setReadOnly(true);
    txtFileInfo->setMaximumHeight(60);
    where->addWidget(txtFileInfo, 4, 0, 1, 2);

    auto* frame4 = itemFrame("Frame4", "What", "Items to restore", restoreitem, "restoreitem", "Restore to User",
                             cbTarget, "cbTarget");
    for (auto* box : restoreitem) box->setEnabled(false);  // enabled by opening a backup

    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(frame3);
    layout->addWidget(frame4);
    return tab;
}

QWidget* frmMain::buildLogTab() {
    auto* tab = new QWidget;
    List1 = named(new QListWidget, "List1");
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(List1);
    return tab;
}

QWidget* frmMain::buildAboutTab() {
    auto* tab = new QWidget;
    auto* frame7 = named(new QGroupBox, "Frame7");
    auto* grid = new QGridLayout(frame7);
    auto* product = new QLabel(config::kProductLine);
    QFont big = product->font();
    big.setPointSize(big.pointSize() + 4);
    big.setBold(true);
    product->setFont(big);
    grid->addWidget(ui::ProductPicture(this), 0, 0, 4, 1, Qt::AlignTop);
    grid->addWidget(product, 0, 1, 1, 2);
    grid->addWidget(new QLabel(config::kAboutThanks), 1, 1, 1, 2);
    grid->addWidget(new QLabel(config::kAboutEmailLabel), 2, 1);
    grid->addWidget(new QLabel(config::kProductEmail), 2, 2);
    grid->addWidget(new QLabel(config::kAboutWebsiteLabel), 3, 1);
    grid->addWidget(new QLabel(config::kProductWebsite), 3, 2);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(4, 1);
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(frame7);
    return tab;
}

namespace {

// An empty label asks for less height than one with text, so "nothing"
// is a blank; line breaks (a file name may hold one) would add lines.
void showStatusLine(QLabel* label, const QString& text) {
    QString line = text;
    line.replace('\r', ' ').replace('\n', ' ');
    label->setText(line.isEmpty() ? QStringLiteral(" ") : line);
}

}  // namespace

QWidget* frmMain::buildProgressPanel() {
    picCon3 = named(new QWidget, "picCon3");
    auto* layout = new QVBoxLayout(picCon3);
    Label1 = named(new QLabel(kIdleStatus), "Label1");
    pbshow = named(new QProgressBar, "pbshow");
    SkinLabel11 = named(new QLabel, "SkinLabel11");
    SkinLabel12 = named(new QLabel, "SkinLabel12");
    for (QLabel* line : {Label1, SkinLabel11, SkinLabel12}) {
        // One line each, whatever it says: a long file name is cut rather
        // than widening the window, and an empty line is as tall as a full one.
        line->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        showStatusLine(line, line->text());
    }
    layout->addWidget(Label1);
    layout->addWidget(pbshow);
    layout->addWidget(SkinLabel11);
    layout->addWidget(SkinLabel12);
    // Its room is kept while hidden, so showing it neither grows the window
    // nor leaves the tabs stretched afterwards.
    QSizePolicy policy = picCon3->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    picCon3->setSizePolicy(policy);
    return picCon3;
}

void frmMain::buildMenus() {
    std::map<std::string, QMenu*> menus;
    for (const auto& entry : kMainMenu) {
        QMenu*& menu = menus[entry.menu];
        if (!menu) menu = menuBar()->addMenu(entry.menu);
        QAction* action = named(menu->addAction(entry.caption), entry.name);
        connect(action, &QAction::triggered, this, [this, command = entry.command] { logic_.menuCommand(command); });
        if (entry.command == MainCommand::backup) backupMenu = action;
        if (entry.command == MainCommand::restore) restoreMenu = action;
    }

    // The context menus of the two item frames.
    selectitem = named(new QMenu(this), "selectitem");
    connect(named(selectitem->addAction(kSelectAllCaption), "Selectallitems"), &QAction::triggered, this,
            [this] { logic_.SelectAll(ItemBoxes::Backup); });
    connect(named(selectitem->addAction(kDeselectAllCaption), "Unselectallitems"), &QAction::triggered, this,
            [this] { logic_.DeselectAll(ItemBoxes::Backup); });
    selectitem2 = named(new QMenu(this), "selectitem2");
    connect(named(selectitem2->addAction(kSelectAllCaption), "Selectallitems2"), &QAction::triggered, this,
            [this] { logic_.SelectAll(ItemBoxes::Restore); });
    connect(named(selectitem2->addAction(kDeselectAllCaption), "Unselectallitems2"), &QAction::triggered, this,
            [this] { logic_.DeselectAll(ItemBoxes::Restore); });
}


void frmMain::closeEvent(QCloseEvent* event) {
    if (logic_.quit_Click()) event->accept();
    else event->ignore();
}

// ---- MainWindowView ----------------------------------------------------------

QCheckBox* frmMain::box(ItemBoxes boxes, std::size_t index) const {
    return (boxes == ItemBoxes::Backup ? backupitem : restoreitem)[index];
}

bool frmMain::itemChecked(ItemBoxes boxes, std::size_t index) const {
    return box(boxes, index)->checkState() == Qt::Checked;
}
void frmMain::setItemChecked(ItemBoxes boxes, std::size_t index, bool on) { box(boxes, index)->setChecked(on); }
bool frmMain::itemEnabled(ItemBoxes boxes, std::size_t index) const { return box(boxes, index)->isEnabled(); }
void frmMain::setItemEnabled(ItemBoxes boxes, std::size_t index, bool on) { box(boxes, index)->setEnabled(on); }

namespace {

// The boxes separate lines with LF; the program's texts with CR LF.
std::string fromBox(const QString& text) { return QString(text).replace("\n", "\r\n").toStdString(); }
QString toBox(const std::string& text) { return QString::fromStdString(text).replace("\r\n", "\n"); }

}  // namespace

std::string frmMain::text(MainField field) const {
    switch (field) {
        case MainField::cbSource: return cbSource->text().toStdString();
        case MainField::cbTarget: return cbTarget->text().toStdString();
        case MainField::txtTargetFile: return txtTargetFile->text().toStdString();
        case MainField::txtAttachInfo: return fromBox(txtAttachInfo->toPlainText());
        case MainField::txtPassword: return txtPassword->text().toStdString();
        case MainField::txtPassword2: return txtPassword2->text().toStdString();
        case MainField::txtSourceFile: return txtSourceFile->text().toStdString();
        case MainField::txtPOBinfo: return fromBox(txtPOBinfo->toPlainText());
        case MainField::txtFileInfo: return fromBox(txtFileInfo->toPlainText());
    }
    return {};
}

void frmMain::setText(MainField field, const std::string& text) {
    switch (field) {
        case MainField::cbSource: cbSource->setText(QString::fromStdString(text)); break;
        case MainField::cbTarget: cbTarget->setText(QString::fromStdString(text)); break;
        case MainField::txtTargetFile: txtTargetFile->setText(QString::fromStdString(text)); break;
        case MainField::txtAttachInfo: txtAttachInfo->setPlainText(toBox(text)); break;
        case MainField::txtPassword: txtPassword->setText(QString::fromStdString(text)); break;
        case MainField::txtPassword2: txtPassword2->setText(QString::fromStdString(text)); break;
        case MainField::txtSourceFile: txtSourceFile->setText(QString::fromStdString(text)); break;
        case MainField::txtPOBinfo: txtPOBinfo->setPlainText(toBox(text)); break;
        case MainField::txtFileInfo: txtFileInfo->setPlainText(toBox(text)); break;
    }
}

bool frmMain::protectChecked() const { return ifprotect->isChecked(); }

void frmMain::setPasswordBoxesUsable(bool usable) { ui::ShowPasswordBoxesUsable({txtPassword, txtPassword2}, usable); }

int frmMain::currentTab() const { return SSTab1->currentIndex(); }

void frmMain::setApplyCaption(const std::string& caption) {
    cmdApply->setText(QString::fromStdString(caption));
    cmdApply->repaint();
}

void frmMain::setApplyEnabled(bool enabled) { cmdApply->setEnabled(enabled); }

void frmMain::showRunning(bool running) {
    for (QWidget* control : {static_cast<QWidget*>(cmdApply), static_cast<QWidget*>(cmdSourceFile)}) {
        control->setEnabled(!running);
    }
    backupMenu->setEnabled(!running);
    restoreMenu->setEnabled(!running);
    if (running) QApplication::setOverrideCursor(Qt::WaitCursor);
    else QApplication::restoreOverrideCursor();
}

void frmMain::showProgressPanel(bool shown) {
    picCon3->setVisible(shown);
    if (shown) QCoreApplication::processEvents();
}

QLabel* frmMain::statusLabel(StatusLine line) const {
    switch (line) {
        case StatusLine::Label1: return Label1;
        case StatusLine::SkinLabel11: return SkinLabel11;
        case StatusLine::SkinLabel12: return SkinLabel12;
    }
    return Label1;
}

void frmMain::setStatusLine(StatusLine line, const std::string& text) {
    showStatusLine(statusLabel(line), QString::fromStdString(text));
}

int frmMain::progress() const { return pbshow->value(); }
void frmMain::setProgress(int value) { pbshow->setValue(value); }

void frmMain::showLogLines(const std::vector<std::string>& lines) {
    List1->clear();
    for (const auto& line : lines) List1->addItem(QString::fromStdString(line));
    if (List1->count() > 0) List1->setCurrentRow(List1->count() - 1);
}

void frmMain::post(std::function<void()> work) {
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

void frmMain::startWorker(std::function<void()> work) {
    QThread* worker = QThread::create(std::move(work));
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
}

bool frmMain::runKeepingWindowAlive(const std::function<bool()>& task) { return platform::RunKeepingWindowAlive(task); }

void frmMain::showAbout() {
    ui::frmabout about(this);
    about.exec();
}

void frmMain::showSettings() {
    Frmsettings settings(session_.services, this);
    settings.exec();
}

void frmMain::showSchedule(schedule::TaskScheduler& scheduler) {
    schedule::Frmoption option(session_, scheduler, this);
    option.Form_Load();
    option.exec();
}

void frmMain::showDiscWindow(const std::string& pendingName, const std::string& pendingPath) {
    disc::frmMaindvdwrite::ShowModal(session_.services.dialogs, this, pendingName, pendingPath);
}

void frmMain::endProgram() { QApplication::quit(); }

}  // namespace app

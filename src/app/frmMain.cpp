#include "app/frmMain.h"

#include <QApplication>
#include <QThread>
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

#include "app/BackupFollowUp.h"
#include "app/Frmsettings.h"
#include "disc/frmMaindvdwrite.h"
#include "schedule/Frmoption.h"
#include "schedule/ScheduledRunStatus.h"
#include "schedule/SystemTaskScheduler.h"
#include "ui/frmabout.h"
#include "config/Globals.h"
#include "config/SettingsFile.h"
#include "app/WineGate.h"
#include "platform/HostPath.h"
#include "platform/QtBlockingRun.h"
#include "backup/OperationLog.h"
#include "backup/FileNaming.h"

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

const char* ApplyCaptionForTab(int tab) {
    switch (tab) {
        case 0: return "Backup Now";
        case 1: return "Restore Now";
        case 2: return "Show Log File";
        default: return "Help";
    }
}

frmMain::frmMain(session::MainSession& session, QWidget* parent) : QMainWindow(parent), session_(session) {
    makeScheduler_ = [this] {
        return schedule::SystemTaskScheduler(session_.services, QCoreApplication::applicationFilePath().toStdString());
    };
    setObjectName("frmMain");
    setWindowTitle("Zorva Windows Live Mail Backup V3.00");

    SSTab1 = named(new QTabWidget, "SSTab1");
    SSTab1->addTab(buildBackupTab(), "Backup");
    SSTab1->addTab(buildRestoreTab(), "Restore");
    SSTab1->addTab(buildLogTab(), "Logs");
    SSTab1->addTab(buildAboutTab(), "About");

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

    connect(SSTab1, &QTabWidget::currentChanged, this, &frmMain::SSTab1_Click);
    connect(ifprotect, &QCheckBox::toggled, this, &frmMain::ifprotect_Click);
    connect(cmdTargetFile, &QPushButton::clicked, this, &frmMain::cmdTargetFile_Click);
    connect(cmdQuit, &QPushButton::clicked, this, &frmMain::quit_Click);
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
    ifprotect_Click();
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
    grid->addWidget(new QLabel("Thank you for using our product."), 1, 1, 1, 2);
    grid->addWidget(new QLabel("Our E-mail"), 2, 1);
    grid->addWidget(new QLabel(config::kProductEmail), 2, 2);
    grid->addWidget(new QLabel("Visit Our Website"), 3, 1);
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
    Label1 = named(new QLabel("Please Waiting..."), "Label1");
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
    QMenu* file = menuBar()->addMenu("File");
    backupMenu = named(file->addAction("Backup Now"), "backup");
    connect(backupMenu, &QAction::triggered, this, &frmMain::BackupRun);
    restoreMenu = named(file->addAction("Restore Now"), "restore");
    connect(restoreMenu, &QAction::triggered, this, &frmMain::RestoreRun);
    named(file->addAction("Quit"), "quit");
    connect(file->actions().last(), &QAction::triggered, this, &frmMain::quit_Click);
    QMenu* option = menuBar()->addMenu("Option");
    connect(named(option->addAction("Task Scheduler"), "TaskScheduler"), &QAction::triggered, this,
            &frmMain::TaskScheduler_Click);
    connect(named(option->addAction("Settings"), "settings"), &QAction::triggered, this, &frmMain::settings_Click);
    named(option->addAction("Check for Update"), "update");
    QMenu* tools = menuBar()->addMenu("Tools");
    connect(named(tools->addAction("Backup Data to CD/DVD"), "backuptocd"), &QAction::triggered, this,
            [this] { disc::frmMaindvdwrite::ShowModal(session_.services.dialogs, this); });
    QMenu* help = menuBar()->addMenu("Help");
    connect(named(help->addAction("Help"), "help1"), &QAction::triggered, this,
            [this] { config::ShowHelp(session_.services.launcher, session_.services.env); });
    connect(named(help->addAction("Our Website"), "website"), &QAction::triggered, this,
            [this] { config::ShellOpen(session_.services.launcher, config::kProductWebsite); });
    connect(named(help->addAction("About"), "about"), &QAction::triggered, this, &frmMain::cmdAbout_Click);

    // The context menus of the two item frames.
    selectitem = named(new QMenu(this), "selectitem");
    connect(named(selectitem->addAction("Select all items"), "Selectallitems"), &QAction::triggered, this,
            [this] { SelectAll(backupitem); });
    connect(named(selectitem->addAction("Deselect all items"), "Unselectallitems"), &QAction::triggered, this,
            [this] { DeselectAll(backupitem); });
    selectitem2 = named(new QMenu(this), "selectitem2");
    connect(named(selectitem2->addAction("Select all items"), "Selectallitems2"), &QAction::triggered, this,
            [this] { SelectAll(restoreitem); });
    connect(named(selectitem2->addAction("Deselect all items"), "Unselectallitems2"), &QAction::triggered, this,
            [this] { DeselectAll(restoreitem); });
}

void frmMain::Form_Load() {
    connectZipNotifications();
    picCon3->hide();
    pbshow->setRange(0, 100);
    pbshow->setValue(0);
    session_.Load();
    reportScheduledRuns();
    if (!session_.store.ready()) {
        cmdApply->setEnabled(false);
        return;
    }
    cbSource->setText(QString::fromStdString(session_.store.LogonUserName));
    cbTarget->setText(QString::fromStdString(session_.store.LogonUserName));
    cmdApply->setText(SSTab1->currentIndex() == 0 ? "Backup Now" : "Restore Now");
    for (std::size_t i = 0; i < items::kItemCount; ++i) {
        backupitem[i]->setEnabled(session_.available[i]);
        if (i != items::kCalendars) backupitem[i]->setChecked(false);
    }
    showTargetFile();
}

void frmMain::reportScheduledRuns() {
    auto scheduler = makeScheduler_();
    const auto report = schedule::CheckScheduledRuns(session_.services.env, *scheduler);
    if (report.needsAttention) session_.services.dialogs.message(report.text, platform::Icon::Exclamation);
}

void frmMain::showTargetFile() {
    txtTargetFile->setText(QString::fromStdString(session_.BackupTargetFile));
}

void frmMain::SSTab1_Click(int tab) {
    cmdApply->setText(ApplyCaptionForTab(tab));
    cmdApply->repaint();
    if (tab == 2) LoadLogList();
}

void frmMain::ifprotect_Click() {
    bool on = ifprotect->isChecked();
    const QPalette system = QApplication::palette();
    for (QLineEdit* box : {txtPassword, txtPassword2}) {
        box->setEnabled(on);
        QPalette p = box->palette();
        // Window background when usable, the grey of scroll bars when not.
        p.setColor(QPalette::Base, on ? system.color(QPalette::Base) : system.color(QPalette::Button));
        box->setPalette(p);
    }
}

void frmMain::cmdTargetFile_Click() {
    if (auto chosen = backup::ChooseTargetFile(session_.services.dialogs, session_.services.env, config::CurrentDateTime())) {
        session_.BackupTargetFile = *chosen;
        showTargetFile();
    }
}

// The run ends first: its archive or the restored data must not be cut off.
bool frmMain::refuseWhileRunning() {
    if (!running_) return false;
    session_.services.dialogs.message(kRunMustFinishMessage, platform::Icon::Information);
    return true;
}

void frmMain::quit_Click() {
    if (refuseWhileRunning()) return;
    session_.Shutdown();
    QApplication::quit();
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (refuseWhileRunning()) {
        event->ignore();
        return;
    }
    session_.Shutdown();
    event->accept();
    QApplication::quit();
}


// ---- The manual backup ------------------------------------------------------

struct frmMain::LabelFeed {
    std::mutex mutex;
    std::string text;
    bool pending = false;
};

void frmMain::post(std::function<void()> work) {
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

void frmMain::feedLabel(QLabel* label, const std::shared_ptr<LabelFeed>& feed, std::string text) {
    std::lock_guard lock(feed->mutex);
    feed->text = std::move(text);
    if (feed->pending) return;
    feed->pending = true;
    post([label, feed] {
        std::lock_guard inner(feed->mutex);
        feed->pending = false;
        showStatusLine(label, QString::fromStdString(feed->text));
    });
}

void frmMain::connectZipNotifications() {
    addingFeed_ = std::make_shared<LabelFeed>();
    writingFeed_ = std::make_shared<LabelFeed>();
    auto adding = [this](const std::string& name) { feedLabel(SkinLabel12, addingFeed_, "Adding File " + name); };
    session_.Zip1.setNotifications(
        {adding, [this](const std::string& name) { feedLabel(SkinLabel12, addingFeed_, "Unzip File " + name); },
         [this](int percent) { feedLabel(SkinLabel11, writingFeed_, "Write File " + std::to_string(percent) + "%"); },
         [this](const std::string& name) { feedLabel(SkinLabel12, addingFeed_, "Check File " + name); }});
    session_.Zip2.setNotifications({adding, {}, {}, {}});
}

backup::BackupRequest frmMain::backupRequestFromControls() const {
    backup::BackupRequest r;
    r.targetFile = session_.BackupTargetFile;  // never the text typed into the box
    for (std::size_t i = 0; i < items::kItemCount; ++i) r.chosen[i] = backupitem[i]->checkState() == Qt::Checked;
    r.protect = ifprotect->isChecked();
    r.password = txtPassword->text().toStdString();
    // The box separates lines with LF; the record keeps Windows line breaks.
    r.description = txtAttachInfo->toPlainText().replace("\n", "\r\n").toStdString();
    r.userName = cbSource->text().toStdString();
    r.ComputerName = session_.store.ComputerName;
    r.LogonUserName = session_.store.LogonUserName;
    return r;
}

void frmMain::setRunning(bool on) {
    running_ = on;
    cmdApply->setEnabled(!on);
    backupMenu->setEnabled(!on);
    restoreMenu->setEnabled(!on);
    cmdSourceFile->setEnabled(!on);
    if (on) QApplication::setOverrideCursor(Qt::WaitCursor);
    else QApplication::restoreOverrideCursor();
}

void frmMain::BackupRun() {
    if (running_) return;
    auto& services = session_.services;
    const backup::BackupRequest request = backupRequestFromControls();
    if (auto failure = backup::ValidateBackup(request, txtPassword2->text().toStdString())) {
        services.dialogs.message(failure->text, failure->icon);
        return;
    }
    if (config::SettingIsOn(services.env, "Backup", "autocloselive")) {
        services.processes.killByName("wlmail.exe");
        services.processes.killByName("WLMAIL.EXE");
    }
    setRunning(true);
    picCon3->show();
    QCoreApplication::processEvents();
    startWorker([this, request, events = progressEvents()] {
        auto outcome = backup::RunBackupItems(session_.items, request, backup::kManualRunTexts,
                                              backup::OperationLog::of(session_.services.env), events);
        post([this, outcome, target = request.targetFile] { finishBackup(outcome, target); });
    });
}

backup::BackupEvents frmMain::progressEvents() {
    return {[this](const std::string& status) { post([this, status] { showStatusLine(Label1, QString::fromStdString(status)); }); },
            [this](int amount) { post([this, amount] { pbshow->setValue(pbshow->value() + amount); }); }};
}

void frmMain::startWorker(std::function<void()> work) {
    QThread* worker = QThread::create(std::move(work));
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
}

void frmMain::finishBackup(const backup::BackupOutcome& outcome, const std::string& target) {
    pbshow->setValue(pbshow->maximum());
    setRunning(false);
    Label1->setText("Operation complete!");
    picCon3->hide();
    pbshow->setValue(pbshow->minimum());
    Label1->setText("Please Waiting...");
    auto& services = session_.services;
    services.dialogs.message(backup::CompletionMessage(outcome, target),
                             outcome.archiveWritten ? platform::Icon::Information : platform::Icon::Critical);
    // A file left from an earlier backup is never offered for a disc as if it were the new one.
    app::DiscWindowOpener openDiscWindow;
    if (outcome.archiveWritten) {
        openDiscWindow = [this](const std::string& name, const std::string& path) {
            disc::frmMaindvdwrite::SetPendingDiscFile(name, path);
            disc::frmMaindvdwrite::ShowModal(session_.services.dialogs, this);
        };
    }
    RunBackupFollowUps(services, session_.registry, target, openDiscWindow);
}

void frmMain::cmdApply_Click() {
    switch (SSTab1->currentIndex()) {
        case 0: BackupRun(); break;
        case 1:
            if (session_.services.dialogs.message(restore::kRestoreQuestion, platform::Icon::Information,
                                                  platform::Buttons::OkCancel) == platform::Answer::Ok) {
                RestoreRun();
            }
            break;
        case 2: session_.services.launcher.openTextFile(backup::OperationLog::of(session_.services.env).path()); break;
        case 3: config::ShowHelp(session_.services.launcher, session_.services.env); break;
        default: break;
    }
}

// ---- Menus and small windows -------------------------------------------------

void frmMain::SelectAll(std::array<QCheckBox*, items::kItemCount>& boxes) {
    for (QCheckBox* box : boxes) {
        if (box->isEnabled()) box->setChecked(true);
    }
}

void frmMain::DeselectAll(std::array<QCheckBox*, items::kItemCount>& boxes) {
    for (std::size_t i = 0; i < items::kCalendars; ++i) boxes[i]->setChecked(false);
}

void frmMain::cmdAbout_Click() {
    ui::frmabout about(this);
    about.exec();
}

void frmMain::settings_Click() {
    Frmsettings settings(session_.services, this);
    settings.exec();
}

void frmMain::TaskScheduler_Click() {
    auto scheduler = makeScheduler_();
    schedule::Frmoption option(session_, *scheduler, this);
    option.Form_Load();
    option.exec();
}

// ---- Restore ---------------------------------------------------------------

void frmMain::cmdSourceFile_Click() {
    if (running_) return;
    session_.Zip1.closeArchive();
    session_.Zip2.closeArchive();
    for (QCheckBox* box : restoreitem) {
        box->setChecked(false);
        box->setEnabled(false);
    }
    txtSourceFile->clear();
    txtFileInfo->clear();
    txtPOBinfo->clear();
    // The dialog keeps the file opened last, else starts in the backup folder.
    platform::FileDialogRequest request{restore::kOpenBackupTitle, restore::kOpenBackupFilter, {}, false, {}};
    if (!lastSourceFile_.empty()) {
        request.fileName = platform::bareName(lastSourceFile_);
        request.folder = platform::folderPartWithSeparator(lastSourceFile_);
    } else {
        request.folder = session_.services.env.hostPath(config::ResolveBackupFolder(session_.services.env));
    }
    auto chosen = session_.services.dialogs.openFile(request);
    if (!chosen || chosen->empty()) return;
    lastSourceFile_ = *chosen;
    const auto inspection = restore::InspectBackupFile(session_, restoreState_, *chosen);
    if (inspection.outcome == restore::InspectionOutcome::WrongPassword) return;
    txtSourceFile->setText(QString::fromStdString(*chosen));
    txtPOBinfo->setPlainText(QString::fromStdString(inspection.POBinfo).replace("\r\n", "\n"));
    txtFileInfo->setPlainText(QString::fromStdString(inspection.FileInfo).replace("\r\n", "\n"));
    for (std::size_t k = 0; k < items::kItemCount; ++k) restoreitem[k]->setEnabled(inspection.present[k]);
}

void frmMain::RestoreRun() {
    if (running_) return;
    restore::RestoreRequest request;
    for (std::size_t k = 0; k < items::kItemCount; ++k) request.ticked[k] = restoreitem[k]->isChecked();
    request.userName = cbTarget->text().toStdString();
    if (auto failure = restore::ValidateRestore(restoreState_, request)) {
        session_.services.dialogs.message(failure->text, failure->icon);
        return;
    }
    if (!MayWriteRegistry(session_.services, platform::RunKeepingWindowAlive)) return;
    setRunning(true);
    showStatusLine(SkinLabel11, {});
    showStatusLine(SkinLabel12, {});
    picCon3->show();
    QCoreApplication::processEvents();
    startWorker([this, request, state = restoreState_, events = progressEvents()] {
        auto outcome = restore::RunRestoreItems(session_.items, state, request,
                                                backup::OperationLog::of(session_.services.env), events);
        post([this, outcome] { finishRestore(outcome); });
    });
}

void frmMain::finishRestore(const restore::RestoreOutcome& outcome) {
    setRunning(false);
    pbshow->setValue(pbshow->maximum());
    Label1->setText("Operation complete!");
    picCon3->hide();
    pbshow->setValue(0);
    Label1->setText("Please Waiting...");
    auto& services = session_.services;
    const bool ran = outcome.refused.empty();
    services.dialogs.message(restore::RestoreCompletionMessage(outcome),
                             ran ? platform::Icon::Information : platform::Icon::Critical);
    if (ran && config::SettingIsOn(services.env, "General", "runliveafterrestore")) {
        services.launcher.startWindowsCommand("\"" + MailClientProgram(session_.registry) + "\"",
                                              platform::ShowMode::Minimized);
    }
}

void frmMain::LoadLogList() {
    List1->clear();
    for (const auto& line : backup::LoadLogList(backup::OperationLog::of(session_.services.env).path())) {
        List1->addItem(QString::fromStdString(line));
    }
    if (List1->count() > 0) List1->setCurrentRow(List1->count() - 1);
}

}  // namespace app

#include "app/MainWindow.h"

#include "app/BackupFollowUp.h"
#include "app/WineGate.h"
#include "backup/FileNaming.h"
#include "backup/OperationLog.h"
#include "config/Globals.h"
#include "config/SettingsFile.h"
#include "platform/HostPath.h"
#include "schedule/ScheduledRunStatus.h"

namespace app {

const char* ApplyCaptionForTab(int tab) {
    switch (tab) {
        case 0: return "Backup Now";
        case 1: return "Restore Now";
        case 2: return "Show Log File";
        default: return "Help";
    }
}

// The newest of many texts sent from a worker, drawn without queueing one
// event per text.
struct MainWindowLogic::LineFeed {
    std::mutex mutex;
    std::string text;
    bool pending = false;
};

MainWindowLogic::MainWindowLogic(session::MainSession& session, MainWindowView& view, SchedulerFactory makeScheduler)
    : session_(session), view_(view), makeScheduler_(std::move(makeScheduler)) {}

void MainWindowLogic::Form_Load() {
    connectZipNotifications();
    view_.showProgressPanel(false);
    view_.setProgress(0);
    session_.Load();
    reportScheduledRuns();
    if (!session_.store.ready()) {
        view_.setApplyEnabled(false);
        return;
    }
    view_.setText(MainField::cbSource, session_.store.LogonUserName);
    view_.setText(MainField::cbTarget, session_.store.LogonUserName);
    view_.setApplyCaption(view_.currentTab() == 0 ? "Backup Now" : "Restore Now");
    for (std::size_t i = 0; i < items::kItemCount; ++i) {
        view_.setItemEnabled(ItemBoxes::Backup, i, session_.available[i]);
        if (i != items::kCalendars) view_.setItemChecked(ItemBoxes::Backup, i, false);
    }
    view_.setText(MainField::txtTargetFile, session_.BackupTargetFile);
}

void MainWindowLogic::reportScheduledRuns() {
    auto scheduler = makeScheduler_();
    const auto report = schedule::CheckScheduledRuns(session_.services.env, *scheduler);
    if (report.needsAttention) session_.services.dialogs.message(report.text, platform::Icon::Exclamation);
}

void MainWindowLogic::SSTab1_Click(int tab) {
    view_.setApplyCaption(ApplyCaptionForTab(tab));
    if (tab == 2) LoadLogList();
}

void MainWindowLogic::LoadLogList() {
    view_.showLogLines(backup::LoadLogList(backup::OperationLog::of(session_.services.env).path()));
}

void MainWindowLogic::ifprotect_Click() { view_.setPasswordBoxesUsable(view_.protectChecked()); }

void MainWindowLogic::cmdTargetFile_Click() {
    if (auto chosen = backup::ChooseTargetFile(session_.services.dialogs, session_.services.env, config::CurrentDateTime())) {
        session_.BackupTargetFile = *chosen;
        view_.setText(MainField::txtTargetFile, session_.BackupTargetFile);
    }
}

void MainWindowLogic::cmdApply_Click() {
    auto& services = session_.services;
    switch (view_.currentTab()) {
        case 0: BackupRun(); break;
        case 1:
            if (services.dialogs.message(restore::kRestoreQuestion, platform::Icon::Information,
                                         platform::Buttons::OkCancel) == platform::Answer::Ok) {
                RestoreRun();
            }
            break;
        case 2: services.launcher.openTextFile(backup::OperationLog::of(services.env).path()); break;
        case 3: help1_Click(); break;
        default: break;
    }
}

void MainWindowLogic::SelectAll(ItemBoxes boxes) {
    for (std::size_t i = 0; i < items::kItemCount; ++i) {
        if (view_.itemEnabled(boxes, i)) view_.setItemChecked(boxes, i, true);
    }
}

void MainWindowLogic::DeselectAll(ItemBoxes boxes) {
    for (std::size_t i = 0; i < items::kCalendars; ++i) view_.setItemChecked(boxes, i, false);
}

void MainWindowLogic::TaskScheduler_Click() {
    auto scheduler = makeScheduler_();
    view_.showSchedule(*scheduler);
}

void MainWindowLogic::menuCommand(MainCommand command) {
    switch (command) {
        case MainCommand::backup: BackupRun(); break;
        case MainCommand::restore: RestoreRun(); break;  // without the apply button's question
        case MainCommand::quit: quit_Click(); break;
        case MainCommand::TaskScheduler: TaskScheduler_Click(); break;
        case MainCommand::settings: view_.showSettings(); break;
        case MainCommand::update: break;  // no action
        case MainCommand::backuptocd: view_.showDiscWindow({}, {}); break;
        case MainCommand::help1: help1_Click(); break;
        case MainCommand::website: website_Click(); break;
        case MainCommand::about: view_.showAbout(); break;
    }
}

void MainWindowLogic::help1_Click() { config::ShowHelp(session_.services.launcher, session_.services.env); }

void MainWindowLogic::website_Click() { config::ShellOpen(session_.services.launcher, config::kProductWebsite); }

// The run ends first: its archive or the restored data must not be cut off.
bool MainWindowLogic::refuseWhileRunning() {
    if (!running_) return false;
    session_.services.dialogs.message(kRunMustFinishMessage, platform::Icon::Information);
    return true;
}

bool MainWindowLogic::quit_Click() {
    if (refuseWhileRunning()) return false;
    session_.Shutdown();
    view_.endProgram();
    return true;
}

// ---- The runs ----------------------------------------------------------------

void MainWindowLogic::feedLine(StatusLine line, const std::shared_ptr<LineFeed>& feed, std::string text) {
    std::lock_guard lock(feed->mutex);
    feed->text = std::move(text);
    if (feed->pending) return;
    feed->pending = true;
    view_.post([this, line, feed] {
        std::lock_guard inner(feed->mutex);
        feed->pending = false;
        view_.setStatusLine(line, feed->text);
    });
}

void MainWindowLogic::connectZipNotifications() {
    addingFeed_ = std::make_shared<LineFeed>();
    writingFeed_ = std::make_shared<LineFeed>();
    auto file = [this](const char* what) {
        return [this, what](const std::string& name) { feedLine(StatusLine::SkinLabel12, addingFeed_, what + name); };
    };
    session_.Zip1.setNotifications(
        {file("Adding File "), file("Unzip File "),
         [this](int percent) {
             feedLine(StatusLine::SkinLabel11, writingFeed_, "Write File " + std::to_string(percent) + "%");
         },
         file("Check File ")});
    session_.Zip2.setNotifications({file("Adding File "), {}, {}, {}});
}

backup::BackupEvents MainWindowLogic::progressEvents() {
    return {[this](const std::string& status) {
                view_.post([this, status] { view_.setStatusLine(StatusLine::Label1, status); });
            },
            [this](int amount) { view_.post([this, amount] { view_.setProgress(view_.progress() + amount); }); }};
}

backup::BackupRequest MainWindowLogic::backupRequest() const {
    backup::BackupRequest r;
    r.targetFile = session_.BackupTargetFile;  // never the text typed into the box
    for (std::size_t i = 0; i < items::kItemCount; ++i) r.chosen[i] = view_.itemChecked(ItemBoxes::Backup, i);
    r.protect = view_.protectChecked();
    r.password = view_.text(MainField::txtPassword);
    r.description = view_.text(MainField::txtAttachInfo);
    r.userName = view_.text(MainField::cbSource);
    r.ComputerName = session_.store.ComputerName;
    r.LogonUserName = session_.store.LogonUserName;
    // A backup over an earlier one of the same name copies what did not change.
    r.reuseUnchanged = config::SettingIsOn(session_.services.env, "autobackup", "reuseunchanged");
    r.earlierBackup = r.targetFile;
    return r;
}

void MainWindowLogic::setRunning(bool on) {
    running_ = on;
    view_.showRunning(on);
}

void MainWindowLogic::BackupRun() {
    if (running_) return;
    auto& services = session_.services;
    const backup::BackupRequest request = backupRequest();
    if (auto failure = backup::ValidateBackup(request, view_.text(MainField::txtPassword2))) {
        services.dialogs.message(failure->text, failure->icon);
        return;
    }
    if (config::SettingIsOn(services.env, "Backup", "autocloselive")) {
        services.processes.killByName("wlmail.exe");
        services.processes.killByName("WLMAIL.EXE");
    }
    setRunning(true);
    view_.showProgressPanel(true);
    view_.startWorker([this, request, events = progressEvents()] {
        auto outcome = backup::RunBackupItems(session_.items, request, backup::kManualRunTexts,
                                              backup::OperationLog::of(session_.services.env), events);
        view_.post([this, outcome, target = request.targetFile] { finishBackup(outcome, target); });
    });
}

// The panel's last look, then back to its idle state, hidden.
void MainWindowLogic::endRunDisplay() {
    view_.setProgress(100);
    setRunning(false);
    view_.setStatusLine(StatusLine::Label1, "Operation complete!");
    view_.showProgressPanel(false);
    view_.setProgress(0);
    view_.setStatusLine(StatusLine::Label1, kIdleStatus);
}

void MainWindowLogic::finishBackup(const backup::BackupOutcome& outcome, const std::string& target) {
    endRunDisplay();
    auto& services = session_.services;
    services.dialogs.message(backup::CompletionMessage(outcome, target),
                             outcome.archiveWritten ? platform::Icon::Information : platform::Icon::Critical);
    // A file left from an earlier backup is never offered for a disc as if it were the new one.
    DiscWindowOpener openDiscWindow;
    if (outcome.archiveWritten) {
        openDiscWindow = [this](const std::string& name, const std::string& path) { view_.showDiscWindow(name, path); };
    }
    RunBackupFollowUps(services, session_.registry, target, openDiscWindow);
}

void MainWindowLogic::cmdSourceFile_Click() {
    if (running_) return;
    session_.Zip1.closeArchive();
    session_.Zip2.closeArchive();
    for (std::size_t k = 0; k < items::kItemCount; ++k) {
        view_.setItemChecked(ItemBoxes::Restore, k, false);
        view_.setItemEnabled(ItemBoxes::Restore, k, false);
    }
    for (MainField field : {MainField::txtSourceFile, MainField::txtFileInfo, MainField::txtPOBinfo}) {
        view_.setText(field, "");
    }
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
    view_.setText(MainField::txtSourceFile, *chosen);
    view_.setText(MainField::txtPOBinfo, inspection.POBinfo);
    view_.setText(MainField::txtFileInfo, inspection.FileInfo);
    for (std::size_t k = 0; k < items::kItemCount; ++k) {
        view_.setItemEnabled(ItemBoxes::Restore, k, inspection.present[k]);
    }
}

void MainWindowLogic::RestoreRun() {
    if (running_) return;
    restore::RestoreRequest request;
    for (std::size_t k = 0; k < items::kItemCount; ++k) request.ticked[k] = view_.itemChecked(ItemBoxes::Restore, k);
    request.userName = view_.text(MainField::cbTarget);
    if (auto failure = restore::ValidateRestore(restoreState_, request)) {
        session_.services.dialogs.message(failure->text, failure->icon);
        return;
    }
    auto keepAlive = [this](const std::function<bool()>& task) { return view_.runKeepingWindowAlive(task); };
    if (!MayWriteRegistry(session_.services, keepAlive)) return;
    setRunning(true);
    view_.setStatusLine(StatusLine::SkinLabel11, "");
    view_.setStatusLine(StatusLine::SkinLabel12, "");
    view_.showProgressPanel(true);
    view_.startWorker([this, request, state = restoreState_, events = progressEvents()] {
        auto outcome = restore::RunRestoreItems(session_.items, state, request,
                                                backup::OperationLog::of(session_.services.env), events);
        view_.post([this, outcome] { finishRestore(outcome); });
    });
}

void MainWindowLogic::finishRestore(const restore::RestoreOutcome& outcome) {
    endRunDisplay();
    auto& services = session_.services;
    const bool ran = outcome.refused.empty();
    services.dialogs.message(restore::RestoreCompletionMessage(outcome),
                             ran ? platform::Icon::Information : platform::Icon::Critical);
    if (ran && config::SettingIsOn(services.env, "General", "runliveafterrestore")) {
        services.launcher.startWindowsCommand("\"" + MailClientProgram(session_.registry) + "\"",
                                              platform::ShowMode::Minimized);
    }
}

}  // namespace app

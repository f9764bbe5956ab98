#include "schedule/Frmoption.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/SettingsFile.h"
#include "platform/Text.h"
#include "schedule/ScheduledRunRecord.h"
#include "session/Discovery.h"

namespace schedule {

namespace {

template <typename W>
W* named(W* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

constexpr std::array<const char*, 7> kDayCaptions{"Monday", "Tuesday", "Wednesday", "Thursday",
                                                  "Friday", "Saturday", "Sunday"};

}  // namespace

Frmoption::Frmoption(session::MainSession& session, TaskScheduler& scheduler, QWidget* parent)
    : QDialog(parent), session_(session), scheduler_(scheduler) {
    setObjectName("Frmoption");
    setWindowTitle("Task Scheduler");
    Command3 = named(new QPushButton("Add Task to Scheduler"), "Command3");
    Command1 = named(new QPushButton("Disable Task"), "Command1");
    Command2 = named(new QPushButton("Cancel"), "Command2");
    auto* note = new QLabel(
        "Windows Live Mail Backup use Windows Task Scheduler to perform the Auto Backup. Click \"Add Task to "
        "Scheduler\" to Create the task, Clikc \"Disable Task\" to disable the task.");
    note->setWordWrap(true);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {Command3, Command1, Command2}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildItems());
    layout->addWidget(buildSchedule());
    layout->addWidget(buildSecurity());
    layout->addWidget(note);
    layout->addLayout(buttons);
    connect(chkDaily, &QCheckBox::clicked, this, &Frmoption::chkDaily_Click);
    connect(ifprotect, &QCheckBox::toggled, this, &Frmoption::ifprotect_Click);
    connect(cmdTargetFile, &QPushButton::clicked, this, &Frmoption::cmdTargetFile_Click);
    connect(Command3, &QPushButton::clicked, this, &Frmoption::Command3_Click);
    connect(Command1, &QPushButton::clicked, this, &Frmoption::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
    ifprotect_Click();
}

QWidget* Frmoption::buildItems() {
    auto* frame = new QGroupBox("What");
    auto* grid = new QGridLayout(frame);
    grid->addWidget(new QLabel("Items to backup"), 0, 0, 1, 2);
    for (const auto& item : items::kCatalogue) {
        auto caption = QString::fromUtf8(item.caption.data(), qsizetype(item.caption.size())).replace("&", "&&");
        backupitem[item.index] = named(new QCheckBox(caption), QString("backupitem_%1").arg(item.index));
        grid->addWidget(backupitem[item.index], 1 + int(item.index) / 2, int(item.index) % 2);
    }
    // The field sits right after its label, across both columns.
    auto* userRow = new QHBoxLayout;
    userRow->addWidget(new QLabel("User to Backup"));
    cbSource = named(new QLineEdit, "cbSource");
    userRow->addWidget(cbSource, 1);
    grid->addLayout(userRow, 8, 0, 1, 2);
    return frame;
}

QWidget* Frmoption::buildSchedule() {
    auto* frame = new QGroupBox("Schedule");
    auto* grid = new QGridLayout(frame);
    grid->addWidget(new QLabel("Start backup at"), 0, 0);
    cmbStartTime = named(new QComboBox, "cmbStartTime");
    grid->addWidget(cmbStartTime, 0, 1);
    for (std::size_t d = 0; d < weekday.size(); ++d) {
        weekday[d] = named(new QCheckBox(kDayCaptions[d]), QString("chk") + kDayCaptions[d]);
        grid->addWidget(weekday[d], 1 + int(d) / 4, int(d) % 4);
    }
    chkDaily = named(new QCheckBox("Run daily"), "chkDaily");
    grid->addWidget(chkDaily, 3, 0);
    grid->addWidget(new QLabel("Backup Filename(Default folder & filename)"), 4, 0, 1, 4);
    txtTargetFile = named(new QLineEdit, "txtTargetFile");
    cmdTargetFile = named(new QPushButton("Browse..."), "cmdTargetFile");
    grid->addWidget(txtTargetFile, 5, 0, 1, 3);
    grid->addWidget(cmdTargetFile, 5, 3);
    return frame;
}

QWidget* Frmoption::buildSecurity() {
    auto* frame = new QGroupBox("Security");
    auto* grid = new QGridLayout(frame);
    ifprotect = named(new QCheckBox("Protect backup file with password"), "ifprotect");
    txtPassword = named(new QLineEdit, "txtPassword");
    txtPassword2 = named(new QLineEdit, "txtPassword2");
    for (QLineEdit* box : {txtPassword, txtPassword2}) box->setEchoMode(QLineEdit::Password);
    grid->addWidget(ifprotect, 0, 0, 1, 2);
    grid->addWidget(new QLabel("Password:"), 1, 0);
    grid->addWidget(txtPassword, 1, 1);
    grid->addWidget(new QLabel("Retype Password:"), 2, 0);
    grid->addWidget(txtPassword2, 2, 1);
    return frame;
}

void Frmoption::Form_Load() {
    if (session_.registry.ReadRegistryString(items::kClientKey, "Store Root") == items::kRegistryReadError) {
        session_.services.dialogs.message(session::kMissingClientMessage, platform::Icon::Critical);
        Command3->setEnabled(false);
        return;
    }
    cbSource->setText(QString::fromStdString(platform::trimBlanks(session_.store.LogonUserName)));
    PrepareScheduleWindow();
    for (const auto& time : StartTimes()) cmbStartTime->addItem(QString::fromStdString(time));
    cmbStartTime->setCurrentText("9:00");
}

void Frmoption::PrepareScheduleWindow() {
    const auto available = session::ItemAvailability(session_.store, session_.services.env, session_.registry);
    for (std::size_t i = 0; i < items::kItemCount; ++i) {
        if (i == items::kCalendars) continue;  // keeps its design state
        backupitem[i]->setChecked(false);
        backupitem[i]->setEnabled(available[i]);
    }
    target_ = ProposedScheduleTarget(session_.services.env, cbSource->text().toStdString());
    txtTargetFile->setText(QString::fromStdString(target_));
}

void Frmoption::chkDaily_Click() {
    for (QCheckBox* day : weekday) day->setChecked(chkDaily->isChecked());
}

void Frmoption::ifprotect_Click() {
    const bool on = ifprotect->isChecked();
    const QPalette system = QApplication::palette();
    for (QLineEdit* box : {txtPassword, txtPassword2}) {
        box->setEnabled(on);
        QPalette p = box->palette();
        p.setColor(QPalette::Base, on ? system.color(QPalette::Base) : system.color(QPalette::Button));
        box->setPalette(p);
        box->clear();
    }
}

void Frmoption::cmdTargetFile_Click() {
    const auto& env = session_.services.env;
    platform::FileDialogRequest request{"Save Windows Live Mail Data as",
                                        "Zorva Windows Live Mail Backup File (*.wlm)|*.wlm", "tarnhold", true,
                                        env.hostPath(config::ResolveBackupFolder(env))};
    if (auto chosen = session_.services.dialogs.saveFile(request)) {
        txtTargetFile->setText(QString::fromStdString(*chosen));
        target_ = txtTargetFile->text().toStdString();
    }
}

SchedulePlan Frmoption::planFromControls() const {
    SchedulePlan plan;
    for (std::size_t i = 0; i < items::kItemCount; ++i) plan.items[i] = backupitem[i]->isChecked();
    for (std::size_t d = 0; d < weekday.size(); ++d) plan.days[d] = weekday[d]->isChecked();
    plan.startTime = cmbStartTime->currentText().toStdString();
    plan.target = target_;
    plan.protect = ifprotect->isChecked();
    plan.password = txtPassword->text().toStdString();
    plan.confirmation = txtPassword2->text().toStdString();
    plan.user = session_.store.LogonUserName;
    return plan;
}

void Frmoption::Command3_Click() {
    if (AddTask(scheduler_, session_.services.dialogs, planFromControls(), RunRecordPath(session_.services.env))) accept();
}

void Frmoption::Command1_Click() { DisableTask(scheduler_, session_.services.dialogs); }

}  // namespace schedule

#include "qt/Frmoption.h"

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

#include "qt/PasswordBoxes.h"

#include "config/Globals.h"

namespace schedule {

namespace {

template <typename W>
W* named(W* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

}  // namespace

Frmoption::Frmoption(session::MainSession& session, TaskScheduler& scheduler, QWidget* parent)
    : QDialog(parent), logic_(session, scheduler, *this) {
    setObjectName("Frmoption");
    setWindowTitle(kScheduleCaption);
    Command3 = named(new QPushButton(kAddTaskCaption), "Command3");
    Command1 = named(new QPushButton(kDisableTaskCaption), "Command1");
    Command2 = named(new QPushButton(config::kCancelCaption), "Command2");
    auto* note = new QLabel(kScheduleNote);
    note->setWordWrap(true);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {Command3, Command1, Command2}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildItems());
    layout->addWidget(buildSchedule());
    layout->addWidget(buildSecurity());
    layout->addWidget(note);
    layout->addLayout(buttons);
    connect(chkDaily, &QCheckBox::clicked, this, [this] { logic_.chkDaily_Click(); });
    connect(ifprotect, &QCheckBox::toggled, this, [this] { logic_.ifprotect_Click(); });
    connect(cmdTargetFile, &QPushButton::clicked, this, [this] { logic_.cmdTargetFile_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { logic_.Command3_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { logic_.Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
    logic_.ifprotect_Click();
}

QWidget* Frmoption::buildItems() {
    auto* frame = new QGroupBox(kWhatFrame);
    auto* grid = new QGridLayout(frame);
    grid->addWidget(new QLabel(kItemsLabel), 0, 0, 1, 2);
    for (const auto& item : items::kCatalogue) {
        auto caption = QString::fromUtf8(item.caption.data(), qsizetype(item.caption.size())).replace("&", "&&");
        backupitem[item.index] = named(new QCheckBox(caption), QString("backupitem_%1").arg(item.index));
        grid->addWidget(backupitem[item.index], 1 + int(item.index) / 2, int(item.index) % 2);
    }
    // The field sits right after its label, across both columns.
    auto* userRow = new QHBoxLayout;
    userRow->addWidget(new QLabel(kUserLabel));
    cbSource = named(new QLineEdit, "cbSource");
    userRow->addWidget(cbSource, 1);
    grid->addLayout(userRow, 8, 0, 1, 2);
    return frame;
}

QWidget* Frmoption::buildSchedule() {
    auto* frame = new QGroupBox(kScheduleFrame);
    auto* grid = new QGridLayout(frame);
    grid->addWidget(new QLabel(kStartTimeLabel), 0, 0);
    cmbStartTime = named(new QComboBox, "cmbStartTime");
    grid->addWidget(cmbStartTime, 0, 1);
    for (std::size_t d = 0; d < weekday.size(); ++d) {
        weekday[d] = named(new QCheckBox(kDayCaptions[d]), QString("chk") + kDayCaptions[d]);
        grid->addWidget(weekday[d], 1 + int(d) / 4, int(d) % 4);
    }
    chkDaily = named(new QCheckBox(kDailyCaption), "chkDaily");
    grid->addWidget(chkDaily, 3, 0);
    grid->addWidget(new QLabel(kTargetLabel), 4, 0, 1, 4);
    txtTargetFile = named(new QLineEdit, "txtTargetFile");
    cmdTargetFile = named(new QPushButton(kBrowseCaption), "cmdTargetFile");
    grid->addWidget(txtTargetFile, 5, 0, 1, 3);
    grid->addWidget(cmdTargetFile, 5, 3);
    return frame;
}

QWidget* Frmoption::buildSecurity() {
    auto* frame = new QGroupBox(kSecurityFrame);
    auto* grid = new QGridLayout(frame);
    ifprotect = named(new QCheckBox(kProtectCaption), "ifprotect");
    txtPassword = named(new QLineEdit, "txtPassword");
    txtPassword2 = named(new QLineEdit, "txtPassword2");
    for (QLineEdit* box : {txtPassword, txtPassword2}) box->setEchoMode(QLineEdit::Password);
    grid->addWidget(ifprotect, 0, 0, 1, 2);
    grid->addWidget(new QLabel(kPasswordLabel), 1, 0);
    grid->addWidget(txtPassword, 1, 1);
    grid->addWidget(new QLabel(kRetypePasswordLabel), 2, 0);
    grid->addWidget(txtPassword2, 2, 1);
    return frame;
}

// ---- ScheduleWindowView ------------------------------------------------------

bool Frmoption::itemChecked(std::size_t index) const { return backupitem[index]->isChecked(); }
void Frmoption::setItemChecked(std::size_t index, bool on) { backupitem[index]->setChecked(on); }
void Frmoption::setItemEnabled(std::size_t index, bool on) { backupitem[index]->setEnabled(on); }
bool Frmoption::dayChecked(std::size_t day) const { return weekday[day]->isChecked(); }
void Frmoption::setDayChecked(std::size_t day, bool on) { weekday[day]->setChecked(on); }
bool Frmoption::dailyChecked() const { return chkDaily->isChecked(); }
std::string Frmoption::userText() const { return cbSource->text().toStdString(); }
void Frmoption::setUserText(const std::string& text) { cbSource->setText(QString::fromStdString(text)); }

void Frmoption::setStartTimes(const std::vector<std::string>& times, const std::string& current) {
    for (const auto& time : times) cmbStartTime->addItem(QString::fromStdString(time));
    cmbStartTime->setCurrentText(QString::fromStdString(current));
}

std::string Frmoption::startTime() const { return cmbStartTime->currentText().toStdString(); }
void Frmoption::setTargetText(const std::string& text) { txtTargetFile->setText(QString::fromStdString(text)); }
bool Frmoption::protectChecked() const { return ifprotect->isChecked(); }

void Frmoption::setPasswordBoxesUsable(bool usable) {
    ui::ShowPasswordBoxesUsable({txtPassword, txtPassword2}, usable);
    txtPassword->clear();
    txtPassword2->clear();
}

std::string Frmoption::password() const { return txtPassword->text().toStdString(); }
std::string Frmoption::confirmation() const { return txtPassword2->text().toStdString(); }
void Frmoption::setAddEnabled(bool enabled) { Command3->setEnabled(enabled); }
void Frmoption::closeAccepted() { accept(); }

}  // namespace schedule

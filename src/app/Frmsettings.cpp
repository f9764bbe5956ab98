#include "app/Frmsettings.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/WineGate.h"
#include "platform/QtBlockingRun.h"

namespace app {

namespace {

QCheckBox* box(const char* name, const char* caption) {
    auto* b = new QCheckBox(caption);
    b->setObjectName(name);
    return b;
}

QWidget* page(const char* group, std::initializer_list<QWidget*> widgets, QLayout* extra = nullptr) {
    auto* frame = new QGroupBox(group);
    auto* layout = new QVBoxLayout(frame);
    if (extra) layout->addLayout(extra);
    for (QWidget* w : widgets) layout->addWidget(w);
    layout->addStretch();
    auto* holder = new QWidget;
    (new QVBoxLayout(holder))->addWidget(frame);
    return holder;
}

}  // namespace

Frmsettings::Frmsettings(platform::Services& services, QWidget* parent) : QDialog(parent), services_(services) {
    setObjectName("Frmsettings");
    setWindowTitle("Settings");
    Check1 = box("Check1", "Start software on Windows start up");
    Check3 = box("Check3", "Check backup file after backup procedure");
    Check6 = box("Check6", "Run Windows Live Mail after backup finish");
    Check7 = box("Check7", "Run Windows Live Mail after restore finish");
    Check2 = box("Check2", "Burn Backup file to CD/DVD after backup finish");
    Check8 = box("Check8", "Automatically generate backup file name");
    Check5 = box("Check5", "Open folder after backup finishe");
    Check4 = box("Check4", "If Windows Live Mail locks a file then automatically close software");
    Text1 = new QLineEdit;
    Text1->setObjectName("Text1");
    Command1 = new QPushButton;
    Command1->setObjectName("Command1");
    Command1->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    Option1 = new QRadioButton("Replace to default AutoBackup file");
    Option1->setObjectName("Option1");
    Option2 = new QRadioButton("Auto Backup to a new file");
    Option2->setObjectName("Option2");

    spnKeepBackups = new QSpinBox;
    spnKeepBackups->setObjectName("spnKeepBackups");
    spnKeepBackups->setRange(0, 9999);
    spnKeepBackups->setSpecialValueText("all");
    auto* keepRow = new QWidget;
    auto* keepLine = new QHBoxLayout(keepRow);
    keepLine->setContentsMargins(0, 0, 0, 0);
    keepLine->addWidget(new QLabel("Dated backups to keep (0 keeps all)"));
    keepLine->addWidget(spnKeepBackups);
    keepLine->addStretch();
    // Only dated backups are ever removed, so the count means nothing otherwise.
    connect(Option2, &QRadioButton::toggled, spnKeepBackups, &QWidget::setEnabled);

    auto* folderRow = new QVBoxLayout;
    folderRow->addWidget(new QLabel("Default folder for backups"));
    auto* line = new QHBoxLayout;
    line->addWidget(Text1);
    line->addWidget(Command1);
    folderRow->addLayout(line);
    auto* tabs = new QTabWidget;
    tabs->addTab(page("General", {Check1, Check3, Check6, Check7, Check2}), "General");
    tabs->addTab(page("Backup", {Check8, Check5, Check4}, folderRow), "Backup");
    tabs->addTab(page("Bacukup Files", {Option1, Option2, keepRow}), " Scheduled Backup");

    Command2 = new QPushButton("OK");
    Command2->setObjectName("Command2");
    Command3 = new QPushButton("Cancel");
    Command3->setObjectName("Command3");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command2);
    buttons->addWidget(Command3);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, &Frmsettings::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Frmsettings::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &QDialog::reject);
    load();
}

void Frmsettings::load() {
    const SettingsValues v = LoadSettingsValues(services_.env);
    Check1->setChecked(v.startonwindows);
    Check3->setChecked(v.checkbackupfile);
    Check6->setChecked(v.runliveafterbackup);
    Check7->setChecked(v.runliveafterrestore);
    Check2->setChecked(v.burndvd);
    Text1->setText(QString::fromStdString(v.backupfolder));
    Check8->setChecked(v.automgeneratefile);
    Check5->setChecked(v.openfolderbackup);
    Check4->setChecked(v.autocloselive);
    (v.replaceAutoBackupFile ? Option1 : Option2)->setChecked(true);
    spnKeepBackups->setValue(v.keepbackups);
    spnKeepBackups->setEnabled(!v.replaceAutoBackupFile);
}

void Frmsettings::Command1_Click() {
    // Cancelling the browser empties the box, as the window always did.
    auto folder = services_.dialogs.browseFolder("Zorva Windows Live Mail Backup");
    Text1->setText(QString::fromStdString(folder.value_or("")));
}

void Frmsettings::Command2_Click() {
    SettingsValues v;
    v.startonwindows = Check1->isChecked();
    v.checkbackupfile = Check3->isChecked();
    v.runliveafterbackup = Check6->isChecked();
    v.runliveafterrestore = Check7->isChecked();
    v.burndvd = Check2->isChecked();
    v.backupfolder = Text1->text().toStdString();
    v.automgeneratefile = Check8->isChecked();
    v.openfolderbackup = Check5->isChecked();
    v.autocloselive = Check4->isChecked();
    v.replaceAutoBackupFile = Option1->isChecked();
    v.keepbackups = spnKeepBackups->value();
    auto mayChangeRunEntry = [this] { return MayWriteRegistry(services_, platform::RunKeepingWindowAlive); };
    if (SaveSettingsValues(services_, v, mayChangeRunEntry)) accept();
}

}  // namespace app

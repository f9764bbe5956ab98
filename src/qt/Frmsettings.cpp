#include "qt/Frmsettings.h"

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
#include "config/Globals.h"
#include "qt/QtBlockingRun.h"

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
    setWindowTitle(kSettingsCaption);
    std::array<QCheckBox*, kSettingsBoxes.size()> boxes{};
    for (std::size_t i = 0; i < kSettingsBoxes.size(); ++i) boxes[i] = box(kSettingsBoxes[i].name, kSettingsBoxes[i].caption);
    Check1 = boxes[0], Check3 = boxes[1], Check6 = boxes[2], Check7 = boxes[3], Check2 = boxes[4];
    Check8 = boxes[5], Check5 = boxes[6], Check4 = boxes[7];
    Text1 = new QLineEdit;
    Text1->setObjectName("Text1");
    Command1 = new QPushButton;
    Command1->setObjectName("Command1");
    Command1->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    Option1 = new QRadioButton(kReplaceOption);
    Option1->setObjectName("Option1");
    Option2 = new QRadioButton(kNewFileOption);
    Option2->setObjectName("Option2");

    spnKeepBackups = new QSpinBox;
    spnKeepBackups->setObjectName("spnKeepBackups");
    spnKeepBackups->setRange(0, 9999);
    spnKeepBackups->setSpecialValueText("all");
    auto* keepRow = new QWidget;
    auto* keepLine = new QHBoxLayout(keepRow);
    keepLine->setContentsMargins(0, 0, 0, 0);
    keepLine->addWidget(new QLabel(kKeepBackupsLabel));
    keepLine->addWidget(spnKeepBackups);
    keepLine->addStretch();
    // Only dated backups are ever removed, so the count means nothing otherwise.
    connect(Option2, &QRadioButton::toggled, spnKeepBackups, &QWidget::setEnabled);

    auto* folderRow = new QVBoxLayout;
    folderRow->addWidget(new QLabel(kFolderLabel));
    auto* line = new QHBoxLayout;
    line->addWidget(Text1);
    line->addWidget(Command1);
    folderRow->addLayout(line);
    auto* tabs = new QTabWidget;
    tabs->addTab(page(kSettingsGroups[0], {Check1, Check3, Check6, Check7, Check2}), kSettingsPages[0]);
    tabs->addTab(page(kSettingsGroups[1], {Check8, Check5, Check4}, folderRow), kSettingsPages[1]);
    tabs->addTab(page(kSettingsGroups[2], {Option1, Option2, keepRow}), kSettingsPages[2]);

    Command2 = new QPushButton(config::kOkCaption);
    Command2->setObjectName("Command2");
    Command3 = new QPushButton(config::kCancelCaption);
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
    for (const auto& entry : kSettingsBoxes) findChild<QCheckBox*>(entry.name)->setChecked(v.*entry.value);
    Text1->setText(QString::fromStdString(v.backupfolder));
    (v.replaceAutoBackupFile ? Option1 : Option2)->setChecked(true);
    spnKeepBackups->setValue(v.keepbackups);
    spnKeepBackups->setEnabled(!v.replaceAutoBackupFile);
}

void Frmsettings::Command1_Click() {
    Text1->setText(QString::fromStdString(BrowseBackupFolder(services_.dialogs)));
}

void Frmsettings::Command2_Click() {
    SettingsValues v;
    for (const auto& entry : kSettingsBoxes) v.*entry.value = findChild<QCheckBox*>(entry.name)->isChecked();
    v.backupfolder = Text1->text().toStdString();
    v.replaceAutoBackupFile = Option1->isChecked();
    v.keepbackups = spnKeepBackups->value();
    auto mayChangeRunEntry = [this] { return MayWriteRegistry(services_, platform::RunKeepingWindowAlive); };
    if (SaveSettingsValues(services_, v, mayChangeRunEntry)) accept();
}

}  // namespace app

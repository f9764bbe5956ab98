#include "qt/frmErase.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace disc {

frmErase::frmErase(platform::Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), logic_(dialogs, *this, [this](std::function<void()> work) {
          QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
      }) {
    setObjectName("frmErase");
    setWindowTitle(kEraseCaption);
    chkQuikErase = new QCheckBox(kQuickEraseCaption);
    chkQuikErase->setObjectName("chkQuikErase");
    chkQuikErase->setChecked(true);
    cmdErase = new QPushButton(kEraseButtonCaption);
    cmdErase->setObjectName("cmdErase");
    cmdCancel = new QPushButton(kEraseCancelCaption);
    cmdCancel->setObjectName("cmdCancel");
    lblStatus = new QLabel;
    lblStatus->setObjectName("lblStatus");
    prgEraseProgress = new QProgressBar;
    prgEraseProgress->setObjectName("prgEraseProgress");
    prgEraseProgress->setRange(0, 100);
    auto* note = new QLabel(kEraseNote);
    note->setWordWrap(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdErase);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    for (QWidget* w : std::initializer_list<QWidget*>{chkQuikErase, note, lblStatus, prgEraseProgress}) layout->addWidget(w);
    layout->addLayout(buttons);
    connect(cmdErase, &QPushButton::clicked, this, [this] { logic_.cmdErase_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::close);
    // Enter must never start an erase.
    for (auto* button : {cmdErase, cmdCancel}) button->setAutoDefault(false);
}

frmErase::~frmErase() = default;

void frmErase::ShowErase(DiscDevice* objDevice, DiscEngine* objEngine) {
    PrepareErase(objDevice, objEngine);
    exec();
}

bool frmErase::quickEraseChecked() const { return chkQuikErase->isChecked(); }
void frmErase::setStatus(const std::string& text) { lblStatus->setText(QString::fromStdString(text)); }
void frmErase::setProgress(int percent) { prgEraseProgress->setValue(percent); }

void frmErase::setButtonsEnabled(bool enabled) {
    cmdErase->setEnabled(enabled);
    cmdCancel->setEnabled(enabled);
}

void frmErase::closeEvent(QCloseEvent* event) {
    if (!logic_.mayClose()) event->ignore();
    else QDialog::closeEvent(event);
}

void frmErase::reject() {
    if (logic_.mayClose()) QDialog::reject();
}

}  // namespace disc

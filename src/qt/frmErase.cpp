#include "qt/frmErase.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "disc/DiscTexts.h"

namespace disc {

frmErase::frmErase(platform::Dialogs& dialogs, QWidget* parent) : QDialog(parent), dialogs_(dialogs) {
    setObjectName("frmErase");
    setWindowTitle("Erase Re-Writable CD/DVD");
    chkQuikErase = new QCheckBox("Perform Quick Erase");
    chkQuikErase->setObjectName("chkQuikErase");
    chkQuikErase->setChecked(true);
    cmdErase = new QPushButton("&Erase");
    cmdErase->setObjectName("cmdErase");
    cmdCancel = new QPushButton("&Cancel");
    cmdCancel->setObjectName("cmdCancel");
    lblStatus = new QLabel;
    lblStatus->setObjectName("lblStatus");
    prgEraseProgress = new QProgressBar;
    prgEraseProgress->setObjectName("prgEraseProgress");
    prgEraseProgress->setRange(0, 100);
    auto* note = new QLabel(
        "NOTE: If not performing a quick erase, it could take several minutes to completely erase the disc. This "
        "operation cannot be cancelled. A quick erase will erase the table of contents, but not the actual data.");
    note->setWordWrap(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdErase);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    for (QWidget* w : std::initializer_list<QWidget*>{chkQuikErase, note, lblStatus, prgEraseProgress}) layout->addWidget(w);
    layout->addLayout(buttons);
    connect(cmdErase, &QPushButton::clicked, this, &frmErase::cmdErase_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::close);
    // Enter must never start an erase.
    for (auto* button : {cmdErase, cmdCancel}) button->setAutoDefault(false);
}

frmErase::~frmErase() {
    if (mobjEngine) {
        mobjEngine->Wait();
        mobjEngine->setEvents(nullptr);
    }
}

void frmErase::PrepareErase(DiscDevice* objDevice, DiscEngine* objEngine) {
    device_ = objDevice;
    mobjEngine = objEngine;
    mobjEngine->setEvents(this);
    enableButtons(true);
    busy_ = false;
}

void frmErase::ShowErase(DiscDevice* objDevice, DiscEngine* objEngine) {
    PrepareErase(objDevice, objEngine);
    exec();
}

void frmErase::cmdErase_Click() {
    device_->RefreshMedia(false);
    const DiscMedia media = device_->Media();
    const char* refusal = media.MediaType == kNoMedia ? "No Media Loaded."
                          : !media.IsRewritable     ? "The current media is not re-writable."
                          : !SupportsErasePair(*device_, media.MediaType)
                              ? "Selected drive does not support re-writable discs of this format."
                              : nullptr;
    if (refusal) {
        dialogs_.message(refusal, platform::Icon::Information);
        close();
        return;
    }
    if (!device_->StartErase(chkQuikErase->isChecked(), device_->EraseMode())) {
        dialogs_.message("Could not start Erase operation!!!", platform::Icon::Critical);
        close();
    }
}

void frmErase::eraseState(int state, int progress) {
    QMetaObject::invokeMethod(this, [this, state, progress] { onEraseState(state, progress); }, Qt::QueuedConnection);
}

void frmErase::onEraseState(int state, int progress) {
    switch (state) {
    case kEraseStarted:
        busy_ = true;
        lblStatus->setText("Erasing Disc...Please Wait!!");
        enableButtons(false);
        prgEraseProgress->setValue(progress);
        break;
    case kErasing: prgEraseProgress->setValue(progress); break;
    case kEraseCompleted:
        lblStatus->setText("Erase operation complete!!!");
        dialogs_.message("Erase Completed!!!", platform::Icon::Information);
        enableButtons(true);
        busy_ = false;
        close();
        break;
    case kEraseFailed:
        lblStatus->setText("Error Erasing Disc!!!");
        enableButtons(true);
        busy_ = false;
        close();
        break;
    default: break;
    }
}

void frmErase::deviceError(const DeviceErrorRecord& error) {
    QMetaObject::invokeMethod(this, [this, error] {
        dialogs_.message(FormatEraseDeviceError(error), platform::Icon::Critical);
        enableButtons(true);
    }, Qt::QueuedConnection);
}

void frmErase::enableButtons(bool enabled) {
    cmdErase->setEnabled(enabled);
    cmdCancel->setEnabled(enabled);
}

void frmErase::closeEvent(QCloseEvent* event) {
    if (busy_) event->ignore();
    else QDialog::closeEvent(event);
}

void frmErase::reject() {
    if (!busy_) QDialog::reject();
}

}  // namespace disc

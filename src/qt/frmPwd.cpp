#include "qt/frmPwd.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/Globals.h"

namespace ui {

frmPwd::frmPwd(QWidget* parent) : QDialog(parent) {
    setObjectName("frmPwd");
    setWindowTitle(config::kPasswordCaption);
    auto* frame = new QGroupBox(config::kPasswordFrame, this);
    auto* label = new QLabel(config::kPasswordPrompt, frame);
    txtPassword_ = new QLineEdit(frame);
    txtPassword_->setObjectName("txtPassword");
    txtPassword_->setEchoMode(QLineEdit::Password);
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(label);
    frameLayout->addWidget(txtPassword_);

    auto* cmdOK = new QPushButton(config::kOkCaption, this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setDefault(true);  // Enter in the box confirms
    auto* cmdExit = new QPushButton(config::kCancelCaption, this);
    cmdExit->setObjectName("cmdExit");
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(cmdOK, QDialogButtonBox::AcceptRole);
    buttons->addButton(cmdExit, QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(txtPassword_, &QLineEdit::returnPressed, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(buttons);
    setMinimumWidth(320);
}

std::string frmPwd::password() const {
    return txtPassword_->text().toStdString();
}

}  // namespace ui

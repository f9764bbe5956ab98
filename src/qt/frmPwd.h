#pragma once
// The password window for a protected backup file.

#include <QDialog>
#include <string>

class QLineEdit;

namespace ui {

class frmPwd : public QDialog {
    Q_OBJECT
public:
    explicit frmPwd(QWidget* parent = nullptr);
    // The text exactly as typed (no trimming).
    std::string password() const;

private:
    QLineEdit* txtPassword_;
};

}  // namespace ui

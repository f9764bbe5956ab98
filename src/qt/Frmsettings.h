#pragma once
// The settings window: three pages of options over the settings file.

#include <QDialog>

#include "app/SettingsForm.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace app {

class Frmsettings : public QDialog {
    Q_OBJECT
public:
    Frmsettings(platform::Services& services, QWidget* parent = nullptr);

    QCheckBox *Check1, *Check2, *Check3, *Check4, *Check5, *Check6, *Check7, *Check8;
    QLineEdit* Text1;
    QPushButton* Command1;
    QRadioButton *Option1, *Option2;
    QSpinBox* spnKeepBackups;  // dated backups an unattended run keeps; 0 keeps all
    QPushButton *Command2, *Command3;

    void Command1_Click();
    void Command2_Click();

private:
    void load();
    platform::Services& services_;
};

}  // namespace app

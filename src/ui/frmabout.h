#pragma once
// The about window: name, version and the maker's contact points.

#include <QDialog>

class QPushButton;

namespace ui {

class frmabout : public QDialog {
    Q_OBJECT
public:
    explicit frmabout(QWidget* parent = nullptr);
    QPushButton* Command3;  // "Exit"
};

}  // namespace ui

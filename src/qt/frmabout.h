#pragma once
// The about window: name, version and the maker's contact points.

#include <QDialog>

class QLabel;
class QPushButton;

namespace ui {

// The product's picture, shown by the about window and the About tab alike.
QLabel* ProductPicture(QWidget* owner);

class frmabout : public QDialog {
    Q_OBJECT
public:
    explicit frmabout(QWidget* parent = nullptr);
    QPushButton* Command3;  // "Exit"
};

}  // namespace ui

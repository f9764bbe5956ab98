#include "qt/PasswordBoxes.h"

#include <QApplication>
#include <QLineEdit>
#include <QPalette>

namespace ui {

void ShowPasswordBoxesUsable(std::initializer_list<QLineEdit*> boxes, bool usable) {
    const QPalette system = QApplication::palette();
    for (QLineEdit* box : boxes) {
        box->setEnabled(usable);
        QPalette p = box->palette();
        p.setColor(QPalette::Base, usable ? system.color(QPalette::Base) : system.color(QPalette::Button));
        box->setPalette(p);
    }
}

}  // namespace ui

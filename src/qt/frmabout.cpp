#include "qt/frmabout.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "config/Globals.h"

namespace ui {

QLabel* ProductPicture(QWidget* owner) {
    auto* picture = new QLabel;
    picture->setObjectName("picture");
    picture->setPixmap(owner->style()->standardIcon(QStyle::SP_DriveHDIcon).pixmap(64, 64));
    return picture;
}

frmabout::frmabout(QWidget* parent) : QDialog(parent) {
    setObjectName("frmabout");
    setWindowTitle(config::kAboutCaption);
    auto* picture = ProductPicture(this);
    auto link = [](const char* target, const QString& href) {
        auto* label = new QLabel(QString("<a href=\"%1\">%2</a>").arg(href, target));
        label->setOpenExternalLinks(true);
        return label;
    };
    Command3 = new QPushButton(config::kAboutExitCaption);
    Command3->setObjectName("Command3");
    auto* grid = new QGridLayout(this);
    grid->addWidget(picture, 0, 0, 3, 1);
    grid->addWidget(new QLabel(config::kProductLine), 0, 1, 1, 2);
    grid->addWidget(new QLabel(config::kAboutThanks), 1, 1, 1, 2);
    grid->addWidget(new QLabel(config::kAboutEmailLabel), 2, 1);
    grid->addWidget(link(config::kProductEmail, QString("mailto:") + config::kProductEmail), 2, 2);
    grid->addWidget(new QLabel(config::kAboutWebsiteLabel), 3, 1);
    grid->addWidget(link(config::kProductWebsite, config::kProductWebsite), 3, 2);
    grid->addWidget(Command3, 4, 2, Qt::AlignRight);
    connect(Command3, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace ui

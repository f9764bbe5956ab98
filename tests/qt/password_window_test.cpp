#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "qt/frmPwd.h"

TEST(PasswordWindow, MasksTheInputAndAnswersOkCancelAndEnter) {
    ui::frmPwd window;
    auto* box = window.findChild<QLineEdit*>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->echoMode(), QLineEdit::Password);
    window.show();
    QTest::keyClicks(box, " s3cret ");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(window.password(), " s3cret ");  // exactly as typed

    ui::frmPwd cancelled;
    cancelled.show();
    QTest::keyClicks(cancelled.findChild<QLineEdit*>(), "x");
    for (auto* button : cancelled.findChildren<QPushButton*>()) {
        if (button->text() == "Cancel") button->click();
    }
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
}

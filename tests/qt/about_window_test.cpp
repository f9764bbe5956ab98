#include <gtest/gtest.h>

#include <QLabel>

#include "config/Globals.h"
#include "qt/frmabout.h"

// The version the about window shows is the one `tarnhold-cli --version` prints.
TEST(AboutWindow, ShowsTheProductLineTheCommandLinePrints) {
    ui::frmabout window;
    EXPECT_EQ(window.windowTitle(), "About Zorva Windows Live Mail Backup");
    QStringList texts;
    for (auto* label : window.findChildren<QLabel*>()) texts << label->text();
    EXPECT_TRUE(texts.contains(config::kProductLine)) << texts.join(" | ").toStdString();
    EXPECT_TRUE(texts.contains("Thank you for using our product.")) << texts.join(" | ").toStdString();
}

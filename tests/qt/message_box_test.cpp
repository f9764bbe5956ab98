// Summaries in message boxes: results in one column, cells that never wrap.
#include <QTextDocument>

#include <gtest/gtest.h>

#include "qt/QtDialogs.h"

TEST(MessageBox, SummaryResultsLineUpInOneColumnAndOtherTextStaysAsItIs) {
    const std::string summary =
        "The Backup was Completed!\r\n\r\nBackup Mail Accounts & Messages/News Accounts & Messages\tSuccessed!"
        "\r\nBackup Signatures\tFail!";
    const QString html = ui::messageBoxText(summary);
    ASSERT_TRUE(html.startsWith("<table"));
    EXPECT_TRUE(html.contains("<td style=\"white-space:pre\">Backup Mail Accounts &amp; Messages/News Accounts &amp; "
                              "Messages</td><td style=\"white-space:pre; padding-left:16px\">Successed!</td>"));
    EXPECT_TRUE(html.contains(">Backup Signatures</td><td style=\"white-space:pre; padding-left:16px\">Fail!</td>"));
    // The words the user reads are exactly the summary's.
    QTextDocument doc;
    doc.setHtml(html);
    EXPECT_EQ(doc.toPlainText().simplified(), QString::fromStdString(summary).replace('\t', ' ').simplified());

    EXPECT_EQ(ui::messageBoxText("Invalid backup file"), "Invalid backup file");
    EXPECT_EQ(ui::messageBoxText("a <b> & c\r\nd"), "a <b> & c\r\nd");
}

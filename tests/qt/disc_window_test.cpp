// The disc writing and erase windows over the real engine and a stdio
// pseudo-drive, with scripted message boxes.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "qt/frmErase.h"
#include "qt/frmMaindvdwrite.h"
#include "qt/GuiSupport.h"
#include "platform/ScriptedDialogs.h"
#include "support/TestSupport.h"

using namespace disc;
using testing_support::readFile;
using testing_support::shellQuote;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

std::vector<std::string> texts(const platform::ScriptedDialogs& dialogs) {
    std::vector<std::string> out;
    for (const auto& m : dialogs.messages) out.push_back(m.text);
    return out;
}

std::vector<QString> rows(const QTreeWidget* list) {
    std::vector<QString> out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) out.push_back(list->topLevelItem(i)->text(0));
    return out;
}

}  // namespace

TEST(DiscWindow, ThePendingBackupIsWrittenVerifiedAndReadsBackByteForByte) {
    TempDir dir;
    const std::string backup = (dir / "Backup.wlm").string();
    writeFile(backup, std::string(200000, 'w') + "end");
    const std::string address = "stdio:" + (dir / "disc.iso").string();
    platform::ScriptedDialogs dialogs;

    frmMaindvdwrite window(CreateLibburnEngine(address), dialogs);
    ASSERT_TRUE(window.Form_Load("Backup.wlm", backup));
    EXPECT_EQ(window.windowTitle(), "Backup Windows Live Mail Data to CD/DVD");
    EXPECT_EQ(window.cboDevices->currentText().toStdString(), address);
    ASSERT_EQ(window.cboWriteSpeed->count(), 1);  // a pseudo-drive reports no speeds
    EXPECT_EQ(window.cboWriteSpeed->itemText(0), "MAX");
    EXPECT_EQ(window.cboWriteSpeed->itemData(0).toInt(), 0);
    EXPECT_EQ(window.cboVolumeType->currentText(), "ISO9660/Joliet/UDF Bridge");
    EXPECT_EQ(window.txtVolIdentifier->text(), "Windows Live Mail Data Backup CD");
    EXPECT_EQ(window.tvwFolders->topLevelItem(0)->text(0), "Windows Live Mail Data Backup CD");
    EXPECT_EQ(rows(window.lvwImageFiles), (std::vector<QString>{"Backup.wlm"}));
    EXPECT_EQ(window.lvwImageFiles->topLevelItem(0)->text(1), "200.00 KB");
    EXPECT_EQ(window.engine().Image().FileCount(), 1);
    EXPECT_TRUE(window.chkUseFileDates->isChecked());
    EXPECT_FALSE(window.chkAutoVerify->isChecked());
    EXPECT_FALSE(window.cmdCancel->isEnabled());
    const bool protect = window.engine().Device(0)->SupportsCapability(kBufferProtection);
    EXPECT_EQ(window.chkUseBufferProtect->isEnabled(), protect);

    // The pending file is taken once: a second window starts empty.
    {
        frmMaindvdwrite again(CreateLibburnEngine(address), dialogs);
        ASSERT_TRUE(again.Form_Load());
        EXPECT_EQ(again.engine().Image().FileCount(), 0);
        EXPECT_TRUE(rows(again.lvwImageFiles).empty());
    }
    EXPECT_TRUE(dialogs.messages.empty());

    window.show();
    QApplication::processEvents();
    // At the default size nothing is cut off: the columns and the root's label.
    const QTreeWidgetItem* row = window.lvwImageFiles->topLevelItem(0);
    for (int c = 0; c < 3; ++c) {
        const QFontMetrics metrics = window.lvwImageFiles->fontMetrics();
        const int needed = std::max(metrics.horizontalAdvance(row->text(c)),
                                    metrics.horizontalAdvance(window.lvwImageFiles->headerItem()->text(c)));
        EXPECT_GE(window.lvwImageFiles->columnWidth(c), needed + (c == 0 ? 20 : 4)) << c;
    }
    const QRect root = window.tvwFolders->visualItemRect(window.tvwFolders->topLevelItem(0));
    const int labelWidth = window.tvwFolders->fontMetrics().horizontalAdvance("Windows Live Mail Data Backup CD");
    EXPECT_LE(root.left() + labelWidth + 24, window.tvwFolders->viewport()->width());
    // Enter in a text box never starts a write: no button is a default one.
    window.txtVolIdentifier->setFocus();
    QTest::keyClick(window.txtVolIdentifier, Qt::Key_Return);
    QTest::keyClick(window.txtVolIdentifier, Qt::Key_Enter);
    EXPECT_TRUE(window.ready());
    EXPECT_TRUE(window.isVisible());
    for (auto* button : window.findChildren<QPushButton*>()) EXPECT_FALSE(button->isDefault() || button->autoDefault());
    EXPECT_TRUE(dialogs.messages.empty());
    window.chkAutoVerify->setChecked(true);
    window.cmdWriteDisc->click();
    EXPECT_FALSE(window.ready());
    EXPECT_TRUE(window.cmdCancel->isEnabled());
    window.close();  // refused while writing
    EXPECT_TRUE(window.isVisible());
    for (int i = 0; i < 600 && !window.ready(); ++i) QTest::qWait(50);
    ASSERT_TRUE(window.ready());
    EXPECT_EQ(texts(dialogs), (std::vector<std::string>{"Write and Verify Complete!"}));
    EXPECT_EQ(window.chkUseBufferProtect->isEnabled(), protect);

    const std::string out = (dir / "read-back.wlm").string();
    ASSERT_EQ(testing_support::runCommand("xorriso -osirrox on -indev " + shellQuote((dir / "disc.iso").string()) +
                                          " -extract /Backup.wlm " + shellQuote(out) + " >/dev/null 2>&1"), 0);
    EXPECT_EQ(readFile(out), readFile(backup));
}

TEST(DiscWindow, RefusalsAreSaidAndTheRootKeepsItsName) {
    TempDir dir;
    platform::ScriptedDialogs dialogs;
    frmMaindvdwrite window(CreateLibburnEngine("stdio:" + (dir / "gone" / "disc.iso").string()), dialogs);
    ASSERT_TRUE(window.Form_Load());
    EXPECT_EQ(texts(dialogs),
              (std::vector<std::string>{
                  "The disc drive stdio:" + (dir / "gone" / "disc.iso").string() + " cannot be used: the folder " +
                      (dir / "gone").string() + " does not exist.",
                  "There are no compatible devices reported.\r\nSome older devices are not currently supported."}));
    dialogs.messages.clear();
    window.cmdWriteDisc->click();  // no writer: said, and the window stays usable
    EXPECT_TRUE(window.ready());
    EXPECT_EQ(texts(dialogs), (std::vector<std::string>{
                                  "There are no compatible devices reported.\r\nSome older devices are not currently supported."}));
    dialogs.messages.clear();

    window.tvwFolders->setCurrentItem(window.tvwFolders->topLevelItem(0));
    auto* renameFolder = window.mnuFile->actions()[3];
    ASSERT_EQ(renameFolder->text(), "Rename Folder");
    renameFolder->trigger();
    auto* removeFile = window.mnuFile->actions()[4];
    ASSERT_EQ(removeFile->text(), "Remove File");
    removeFile->trigger();
    EXPECT_EQ(texts(dialogs), (std::vector<std::string>{"Root directory can not be renamed.", "No Item Selected."}));
    EXPECT_EQ(window.tvwFolders->topLevelItem(0)->text(0), "Windows Live Mail Data Backup CD");

    writeFile(dir / "a.txt", "a");
    ASSERT_TRUE(window.engine().Image().AddFile((dir / "a.txt").string(), "\\a.txt"));
    window.mnuFile->actions()[0]->trigger();  // Clear All Items
    EXPECT_EQ(window.tvwFolders->topLevelItemCount(), 1);
    EXPECT_EQ(window.tvwFolders->topLevelItem(0)->text(0), "New Disc");
    EXPECT_TRUE(rows(window.lvwImageFiles).empty());
}

namespace {

// Types `name` into the editor that has just opened and confirms it.
void typeIntoEditor(const QString& name) {
    QTest::qWait(20);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr) << "no editor opened";
    editor->selectAll();
    QTest::keyClicks(editor, name);
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::qWait(20);
}

}  // namespace

TEST(DiscWindow, FilesAndFoldersAreRenamedInPlace) {
    TempDir dir;
    platform::ScriptedDialogs dialogs;
    writeFile(dir / "src" / "Mail" / "inbox.eml", "mail");
    writeFile(dir / "old.wlm", "backup");
    frmMaindvdwrite window(CreateLibburnEngine("stdio:" + (dir / "disc.iso").string()), dialogs);
    ASSERT_TRUE(window.Form_Load());
    window.show();
    ASSERT_TRUE(window.engine().Image().AddFile((dir / "old.wlm").string(), "\\old.wlm"));
    ASSERT_TRUE(window.engine().Image().AddFolder((dir / "src" / "Mail").string() + "/*.*", "\\Mail"));
    window.tvwFolders->setCurrentItem(window.tvwFolders->topLevelItem(0));
    window.RefreshFileList();
    ASSERT_EQ(rows(window.lvwImageFiles), (std::vector<QString>{"old.wlm"}));

    window.lvwImageFiles->setCurrentItem(window.lvwImageFiles->topLevelItem(0));
    window.mnuFile->actions()[5]->trigger();  // Rename File
    typeIntoEditor("new.wlm");
    EXPECT_EQ(rows(window.lvwImageFiles), (std::vector<QString>{"new.wlm"}));
    ASSERT_EQ(window.engine().Image().files().size(), 2u);
    bool renamed = false;
    for (const auto& f : window.engine().Image().files()) renamed |= f.imagePath == "\\new.wlm";
    EXPECT_TRUE(renamed);

    QTreeWidgetItem* mail = window.tvwFolders->topLevelItem(0)->child(0);
    ASSERT_NE(mail, nullptr);
    ASSERT_EQ(mail->text(0), "Mail");
    window.tvwFolders->setCurrentItem(mail);
    window.mnuFile->actions()[3]->trigger();  // Rename Folder
    typeIntoEditor("Post");
    EXPECT_EQ(window.tvwFolders->topLevelItem(0)->child(0)->text(0), "Post");
    bool moved = false;
    for (const auto& f : window.engine().Image().files()) moved |= f.imagePath == "\\Post\\inbox.eml";
    EXPECT_TRUE(moved);
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages[0].text;
    EXPECT_FALSE(window.lvwImageFiles->topLevelItemCount() &&
                 (window.lvwImageFiles->topLevelItem(0)->flags() & Qt::ItemIsEditable));
}

TEST(EraseWindow, AStdioDriveHasNoErasableFormatAndTheWindowCloses) {
    TempDir dir;
    platform::ScriptedDialogs dialogs;
    auto engine = CreateLibburnEngine("stdio:" + (dir / "disc.iso").string());
    ASSERT_TRUE(engine->InitializeDevices(false));
    frmErase erase(dialogs);
    EXPECT_EQ(erase.windowTitle(), "Erase Re-Writable CD/DVD");
    EXPECT_TRUE(erase.chkQuikErase->isChecked());
    erase.PrepareErase(engine->Device(0), engine.get());
    erase.show();
    EXPECT_FALSE(erase.cmdErase->autoDefault() || erase.cmdErase->isDefault());
    QTest::keyClick(&erase, Qt::Key_Return);  // Enter erases nothing
    EXPECT_TRUE(dialogs.messages.empty());
    erase.cmdErase->click();
    EXPECT_EQ(texts(dialogs), (std::vector<std::string>{"Selected drive does not support re-writable discs of this format."}));
    EXPECT_FALSE(erase.isVisible());
}

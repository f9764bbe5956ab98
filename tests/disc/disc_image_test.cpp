#include "disc/DiscImage.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace disc;
using namespace testing_support;

namespace {

struct Log : DiscImageEvents {
    std::vector<std::string> lines;
    bool replace = false;
    void itemAdded(const ImageItem& i) override { lines.push_back("added " + i.imagePath); }
    void fileListed(const ImageItem& i) override { lines.push_back("listed " + i.imagePath); }
    void itemRenamed(const ImageItem& i) override { lines.push_back("renamed " + i.previousPath + " " + i.imagePath); }
    void itemRemoved(const ImageItem& i) override { lines.push_back("removed " + i.imagePath); }
    bool replaceFile(const ImageItem& i, const std::string& source) override {
        lines.push_back("replace? " + i.imagePath + " " + source);
        return replace;
    }
    void imageCleared() override { lines.push_back("cleared"); }
};

}  // namespace

TEST(DiscImage, ChangesAreAnnouncedAndRefusalsChangeNothing) {
    TempDir dir;
    writeFile(dir / "a.wlm", "12345");
    writeFile(dir / "b.wlm", "1234567");
    writeFile(dir / "Mail" / "Inbox" / "1.eml", "x");
    DiscImage image;
    Log log;
    image.setEvents(&log);
    ASSERT_TRUE(image.AddFile((dir / "a.wlm").string(), "\\a.wlm"));
    ASSERT_TRUE(image.AddFolder((dir / "Mail").string() + "\\*.*", "\\Mail"));
    EXPECT_FALSE(image.AddFile((dir / "missing").string(), "\\missing"));
    EXPECT_FALSE(image.AddFile((dir / "a.wlm").string(), "\\No Folder\\a.wlm"));
    EXPECT_EQ(log.lines, (std::vector<std::string>{"added \\a.wlm", "added \\Mail", "added \\Mail\\Inbox",
                                                   "added \\Mail\\Inbox\\1.eml"}));

    // The same name in another case is the same file: the user is asked, and Cancel keeps the first.
    log.lines.clear();
    EXPECT_FALSE(image.AddFile((dir / "b.wlm").string(), "\\A.WLM"));
    EXPECT_EQ(log.lines, (std::vector<std::string>{"replace? \\a.wlm " + (dir / "b.wlm").string()}));
    EXPECT_EQ(image.files()[0].size, 5u);
    log.replace = true;
    EXPECT_TRUE(image.AddFile((dir / "b.wlm").string(), "\\a.wlm"));
    EXPECT_EQ(image.files()[0].size, 7u);

    // A folder rename moves what is below it, and its subfolders are announced too.
    log.lines.clear();
    EXPECT_FALSE(image.RenameFolder("\\Mail", "a.wlm"));  // taken by a file
    EXPECT_FALSE(image.RenameFile("\\Mail", "x"));        // not a file
    EXPECT_FALSE(image.RenameFile("\\a.wlm", "bad\\name"));
    ASSERT_TRUE(image.RenameFolder("\\Mail", "Post"));
    EXPECT_EQ(log.lines, (std::vector<std::string>{"renamed \\Mail\\Inbox \\Post\\Inbox", "renamed \\Mail \\Post"}));
    log.lines.clear();
    ASSERT_TRUE(image.ListFolder("\\Post\\Inbox"));
    EXPECT_EQ(log.lines, (std::vector<std::string>{"listed \\Post\\Inbox\\1.eml"}));
    EXPECT_EQ(image.FileCount(), 2);
    EXPECT_EQ(image.FolderCount(), 2);

    log.lines.clear();
    EXPECT_FALSE(image.RemoveItem("\\"));
    EXPECT_FALSE(image.RemoveItem("\\nothing"));
    ASSERT_TRUE(image.RemoveItem("\\Post"));
    EXPECT_EQ(image.FileCount(), 1);
    EXPECT_EQ(image.FolderCount(), 0);
    image.Clear();
    EXPECT_EQ(log.lines, (std::vector<std::string>{"removed \\Post", "cleared"}));
    EXPECT_EQ(image.FileCount(), 0);
}

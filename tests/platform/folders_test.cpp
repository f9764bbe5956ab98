#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Folders.h"
#include "support/TestSupport.h"

using namespace platform;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;
namespace fs = std::filesystem;

TEST(Folders, ExchangeSwapsTwoFoldersInOneStep) {
    TempDir dir;
#ifdef _WIN32
    // Windows has no such call: the restore takes its two-rename road.
    writeFile(dir / "fresh" / "1.eml", "new");
    writeFile(dir / "Alpha" / "1.eml", "old");
    EXPECT_EQ(exchangePaths((dir / "fresh").string(), (dir / "Alpha").string()), Exchange::Unsupported);
    EXPECT_EQ(readFile(dir / "Alpha" / "1.eml"), "old");
    return;
#endif
    writeFile(dir / "fresh" / "1.eml", "new");
    writeFile(dir / "Alpha" / "1.eml", "old");
    writeFile(dir / "Alpha" / "Inbox" / "2.eml", "old too");
    ASSERT_EQ(exchangePaths((dir / "fresh").string(), (dir / "Alpha").string()), Exchange::Done);
    EXPECT_EQ(readFile(dir / "Alpha" / "1.eml"), "new");
    EXPECT_FALSE(fs::exists(dir / "Alpha" / "Inbox"));
    EXPECT_EQ(readFile(dir / "fresh" / "1.eml"), "old");
    EXPECT_EQ(readFile(dir / "fresh" / "Inbox" / "2.eml"), "old too");

    // Both must exist: a missing one changes nothing.
    EXPECT_EQ(exchangePaths((dir / "missing").string(), (dir / "Alpha").string()), Exchange::Failed);
    EXPECT_EQ(readFile(dir / "Alpha" / "1.eml"), "new");
    EXPECT_FALSE(fs::exists(dir / "missing"));
}

TEST(Folders, UniqueFoldersAreNewAndTreesGoEvenWhenReadOnly) {
    TempDir dir;
    const std::string a = makeUniqueFolder(dir.str(), "run-");
    const std::string b = makeUniqueFolder(dir.str(), "run-");
    ASSERT_FALSE(a.empty());
    EXPECT_NE(a, b);
    EXPECT_TRUE(fs::is_directory(a) && fs::is_empty(a));
    EXPECT_EQ(fs::path(a).filename().string().size(), 10u);  // "run-" and six letters
    EXPECT_EQ(makeUniqueFolder((dir / "missing").string(), "run-"), "");

    writeFile(fs::path(a) / "locked" / "inner" / "x.eml", "x");
    fs::permissions(fs::path(a) / "locked" / "inner", fs::perms::owner_read | fs::perms::owner_exec);
    fs::permissions(fs::path(a) / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    removeTree(a);
    EXPECT_FALSE(fs::exists(a));
    removeTree(a);  // quiet when nothing is there
}

TEST(Folders, AMoveNeverReplacesWhatIsThere) {
    TempDir dir;
    writeFile(dir / "staged", "new");
    writeFile(dir / "taken", "old");
    fs::create_directories(dir / "folder");
    EXPECT_EQ(moveWithoutReplacing((dir / "staged").string(), (dir / "taken").string()), Placed::Exists);
    EXPECT_EQ(moveWithoutReplacing((dir / "staged").string(), (dir / "folder").string()), Placed::Exists);
    EXPECT_EQ(readFile(dir / "taken"), "old");
    EXPECT_EQ(readFile(dir / "staged"), "new");
    ASSERT_EQ(moveWithoutReplacing((dir / "staged").string(), (dir / "free").string()), Placed::Done);
    EXPECT_EQ(readFile(dir / "free"), "new");
    EXPECT_FALSE(fs::exists(dir / "staged"));
    EXPECT_EQ(moveWithoutReplacing((dir / "staged").string(), (dir / "other").string()), Placed::Failed);
}

TEST(Folders, ATemporaryFolderGoesWithItsContents) {
    std::string path;
    {
        TemporaryFolder scratch("folders-test-");
        path = scratch.path();
        ASSERT_FALSE(path.empty());
        EXPECT_TRUE(fs::is_directory(path));
        writeFile(fs::path(path) / "inner" / "x.zip", "x");
    }
    EXPECT_FALSE(fs::exists(path));
}

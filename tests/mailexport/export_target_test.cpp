#include <gtest/gtest.h>

#include <filesystem>

#include "mailexport/ExportTarget.h"
#include "support/TestSupport.h"

using namespace mailexport;
using testing_support::TempDir;
using testing_support::writeFile;
namespace fs = std::filesystem;

namespace {

ExportLayout layoutOf(std::vector<PlannedFolder> folders) {
    ExportLayout layout;
    layout.folders = std::move(folders);
    return layout;
}

PlannedFolder planned(const std::string& place, std::vector<std::string> entries = {}, bool sbd = false) {
    PlannedFolder p;
    p.place = place;
    p.entryPlaces = std::move(entries);
    p.subfolderFolder = sbd;
    return p;
}

}  // namespace

TEST(ExportTarget, AFolderIsAddedToOnlyWhenAskedAndNeverInsideTheStore) {
    TempDir dir;
    EXPECT_EQ(CheckTarget((dir / "new").string(), false, ""), "");
    fs::create_directories(dir / "empty");
    EXPECT_EQ(CheckTarget((dir / "empty").string(), false, ""), "");
    writeFile(dir / "full" / "x", "x");
    EXPECT_NE(CheckTarget((dir / "full").string(), false, "").find("is not empty; give --into-existing"),
              std::string::npos);
    EXPECT_EQ(CheckTarget((dir / "full").string(), true, ""), "");
    EXPECT_NE(CheckTarget((dir / "full" / "x").string(), true, "").find("is no folder"), std::string::npos);

    const std::string store = (dir / "store").string();
    fs::create_directories(dir / "store" / "Inbox");
    for (const auto& inside : {dir / "store", dir / "store" / "Inbox" / "out", dir / "store" / "sub" / ".." / "x", dir.path()}) {
        EXPECT_NE(CheckTarget(inside.string(), true, store).find("mail client's own store"), std::string::npos)
            << inside;
    }
    EXPECT_EQ(CheckTarget((dir / "storeroom").string(), true, store), "");
}

TEST(ExportTarget, NothingThatExistsIsPlannedOver) {
    TempDir dir;
    const auto mbox = layoutOf({planned("Inbox", {}, true), planned("Inbox.sbd/Projects")});
    EXPECT_EQ(CheckNothingOverwritten(mbox, Format::Mbox, dir.str()), "");
    fs::create_directories(dir / "Inbox.sbd");  // a folder where a folder goes is fine
    EXPECT_EQ(CheckNothingOverwritten(mbox, Format::Mbox, dir.str()), "");
    writeFile(dir / "Inbox.sbd" / "Projects", "");
    EXPECT_NE(CheckNothingOverwritten(mbox, Format::Mbox, dir.str()).find("Projects exists already"),
              std::string::npos);

    const auto eml = layoutOf({planned("A", {"A/one.eml", "A/two.eml"})});
    fs::create_directories(dir / "A");
    EXPECT_EQ(CheckNothingOverwritten(eml, Format::Eml, dir.str()), "");
    writeFile(dir / "A" / "two.eml", "");
    EXPECT_NE(CheckNothingOverwritten(eml, Format::Eml, dir.str()).find("two.eml exists already"), std::string::npos);
    // An mbox file where a folder is: refused too.
    EXPECT_NE(CheckNothingOverwritten(layoutOf({planned("A")}), Format::Mbox, dir.str()), "");
}

TEST(ExportTarget, TheRoomNeededCountsBlocksAndSeparators) {
    ExportLayout layout = layoutOf({planned("A"), planned("B")});
    layout.entryCount = 3;
    layout.entryBytes = 5000;
    layout.entryBlocks = 3 * 4096;
    EXPECT_EQ(SpaceNeeded(layout, Format::Eml), 5u * 4096);
    EXPECT_EQ(SpaceNeeded(layout, Format::Mbox), 2u * 4096 + 4u * 4096);  // 5384 bytes in blocks, two files each
    TempDir dir;
    EXPECT_EQ(CheckFreeSpace(layout, Format::Mbox, (dir / "not yet").string()), "");
    layout.entryBlocks = layout.entryBytes = std::uint64_t(1) << 62;
    const std::string why = CheckFreeSpace(layout, Format::Eml, dir.str());
    EXPECT_NE(why.find("the export needs about "), std::string::npos) << why;
    EXPECT_NE(why.find("nothing was exported"), std::string::npos) << why;
}

#include <gtest/gtest.h>

#include "backup/InformationRecord.h"
#include "items/FolderArchives.h"
#include "items/ItemFunctions.h"
#include "items/MemberExtraction.h"
#include "items/ItemFixture.h"
#include "items/RestoreLeftovers.h"
#include "platform/Folders.h"

using namespace items;
using testing_support::ItemFixture;
using testing_support::readFile;
using testing_support::writeFile;
namespace fs = std::filesystem;

namespace {

// The folder a restore of `name` unpacks into, holding `contents` as 1.eml.
fs::path unpacked(const fs::path& parent, const std::string& name, const std::string& contents) {
    const fs::path fresh = platform::makeUniqueFolder(parent.string(), RestoreStagingStem(name));
    writeFile(fresh / "1.eml", contents);
    return fresh;
}

std::vector<std::string> hiddenIn(const fs::path& folder) {
    std::vector<std::string> names = testing_support::namesIn(folder);
    std::erase_if(names, [](const std::string& name) { return name.front() != '.'; });
    return names;
}

}  // namespace

TEST(RestoreLeftovers, NamesAreToldApart) {
    EXPECT_EQ(RestoreStagingStem("Alpha"), ".Alpha.restore-");
    for (const char* name : {".Alpha.restore-abc123", ".Alpha.restore-abc123.old", ".a.b.restore-ZZ9zz9",
                             ".Beta.restore-x.restore-Q1w2E3"}) {
        EXPECT_TRUE(IsRestoreLeftover(name)) << name;
    }
    for (const char* name : {"Alpha", ".Alpha", ".Alpha.restore-abc12", ".restore-abc123", "Alpha.restore-abc123",
                             ".Alpha.restore-abc12$", ".Alpha.restore-abc123.new", ".Alpha.restore-abc1234"}) {
        EXPECT_FALSE(IsRestoreLeftover(name)) << name;
    }
}

// A restore killed at any point of its swap: the next run finds every folder
// in place, whole, and no hidden restore folder is ever packed as an account.
TEST(RestoreLeftovers, AKilledSwapIsPutRightAndNeverPacked) {
    ItemFixture f;
    const fs::path store = f.store();
    writeFile(store / "Alpha" / "1.eml", "alpha before");
    writeFile(store / "Beta" / "1.eml", "beta before");
    writeFile(store / "Gamma" / "1.eml", "gamma before");
    writeFile(store / "Calendars" / "Home" / "a.ics", "calendar");
    writeFile(f.contacts() / "{C1}" / "contacts.edb", "contacts");

    // Killed between the two renames of a file system that cannot swap in
    // one step: Alpha is missing, its old contents stand aside.
    const fs::path alpha = unpacked(store, "Alpha", "alpha restored");
    fs::rename(store / "Alpha", StandAsideName(alpha.string()));
    // Killed just after an exchange: Beta is the restored one, the old
    // contents wait in the hidden folder.
    const fs::path beta = unpacked(store, "Beta", "beta restored");
    // (Where no exchange exists, the two renames stand for it.)
    if (platform::exchangePaths(beta.string(), (store / "Beta").string()) == platform::Exchange::Unsupported) {
        const fs::path aside = fs::path(beta.string() + ".swap");
        fs::rename(store / "Beta", aside);
        fs::rename(beta, store / "Beta");
        fs::rename(aside, beta);
    }
    // Killed before the swap: Gamma untouched, its unpacked copy beside it.
    unpacked(store, "Gamma", "gamma restored");
    // The same in the two other folders that folder archives go back into.
    const fs::path home = unpacked(store / "Calendars", "Home", "calendar restored");
    fs::rename(store / "Calendars" / "Home", StandAsideName(home.string()));
    unpacked(f.contacts(), "{C1}", "contacts restored");

    ASSERT_EQ(hiddenIn(store).size(), 4u);
    EXPECT_EQ(*ListSubfolders(store.string()), (std::vector<std::string>{"Beta", "Calendars", "Gamma"}));
    ASSERT_TRUE(f.Zip1.newArchive(f.archivePath()));
    ASSERT_TRUE(Backupmailaccountsandmessages(f.ctx));
    EXPECT_EQ(*backup::GetINI("Backupmailaccountsandmessages", f.ctx.InfoRecordPath), "Beta.zip;Gamma.zip");
    f.Zip1.closeArchive();
    RemoveScratchFolder(f.ctx);

    RecoverInterruptedRestores(f.ctx);
    EXPECT_EQ(readFile(store / "Alpha" / "1.eml"), "alpha before");
    EXPECT_EQ(readFile(store / "Beta" / "1.eml"), "beta restored");
    EXPECT_EQ(readFile(store / "Gamma" / "1.eml"), "gamma before");
    EXPECT_EQ(readFile(store / "Calendars" / "Home" / "a.ics"), "calendar");
    EXPECT_EQ(readFile(f.contacts() / "{C1}" / "contacts.edb"), "contacts");
    EXPECT_TRUE(hiddenIn(store).empty());
    EXPECT_TRUE(hiddenIn(store / "Calendars").empty());
    EXPECT_TRUE(hiddenIn(f.contacts()).empty());
    EXPECT_EQ(*ListSubfolders(store.string()), (std::vector<std::string>{"Alpha", "Beta", "Calendars", "Gamma"}));
}

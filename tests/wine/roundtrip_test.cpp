// Backup, wipe and restore on a prefix that Wine made and filled, read back
// through Wine's own `reg export`: what Wine sees afterwards is what it saw
// before.

#include <gtest/gtest.h>

#include "platform/HostPath.h"
#include "wine/WinePrefixCopy.h"

using testing_support::readFile;
using testing_support::shellQuote;
using testing_support::writeFile;
using wine_support::kClientKey;
using wine_support::WinePrefixCopy;
namespace fs = std::filesystem;

namespace {

const std::string kShellFolders = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

}  // namespace

TEST(RealWine, BackupWipeRestoreGivesBackEveryValueAndFileAsWineReadsThem) {
    SKIP_WITHOUT_WINE();
    WinePrefixCopy p;
    // Windows spells the profile folder with a capital; Wine made it "users".
    p.addValue(kShellFolders, "Local AppData", "REG_EXPAND_SZ", "C:\\Users\\alice\\AppData\\Local");
    const wine_support::ItemSnapshot before = wine_support::itemSnapshot(p);
    const std::string shellFolders = p.exported(kShellFolders);
    ASSERT_NE(before.keys.find("\"Name\"=\"second rule\""), std::string::npos) << before.keys;
    ASSERT_NE(before.keys.find("\"Accents\"=\"été — €uro\""), std::string::npos);
    ASSERT_NE(before.keys.find("\"Big Criteria\"=hex:"), std::string::npos);
    ASSERT_EQ(before.store.count("Hotmail (alice)/Inbox/{A1}.eml"), 1u);

    // The login account is not Wine's user: the profile comes from the prefix.
    const std::string archive = p.file("all.wlm").string();
    const std::string asLogin = "-u USER LOGNAME=tester";
    std::string out;
    ASSERT_EQ(p.tarnhold(" sf=alicexm=11111111111ps=s3cretbf=" + archive, &out, asLogin), 0) << out << p.log();
    EXPECT_EQ(p.log().find("Fail!"), std::string::npos) << p.log();

    wine_support::wipeItems(p);
    ASSERT_EQ(p.exported(kClientKey + "\\Rules"), "");
    p.waitForWine();  // the server reg started lingers a few seconds
    ASSERT_EQ(p.cli("restore " + shellQuote(archive), &out, asLogin + " TARNHOLD_PASSWORD=s3cret"), 0) << out;
    EXPECT_EQ(out.find("Fail"), std::string::npos) << out;

    const wine_support::ItemSnapshot after = wine_support::itemSnapshot(p);
    EXPECT_EQ(after.keys, wine_support::withEmptyExpandAsZeroLength(before.keys));
    EXPECT_EQ(after.store, before.store);
    EXPECT_EQ(after.contacts, before.contacts);
    EXPECT_EQ(after.stationery, before.stationery);
    // Every string is stored with its terminator, so Wine's tools do not cut it.
    EXPECT_NE(after.keys.find("\"Name\"=\"second rule\"\n"), std::string::npos);
    EXPECT_NE(after.keys.find("\"text\"=\"Merci, à bientôt — \\\"Alice\\\" \\\\o/\""), std::string::npos) << after.keys;
    // Keys outside the items are as Wine left them.
    EXPECT_EQ(p.exported(kShellFolders), shellFolders);
}

TEST(RealWine, TheStartUpEntryNamesAFileWineFinds) {
    SKIP_WITHOUT_WINE();
    WinePrefixCopy p;
    // As the Settings window writes it: the executable as the prefix sees it.
    const std::string view = platform::prefixViewOf(TARNHOLD_BINARY);
    ASSERT_EQ(view.rfind("Z:\\", 0), 0u) << view;
    testing_support::writeFile(p.prefix() / "drive_c" / "probe.bat",
                               "@if exist \"" + view + "\" (echo present) else (echo missing)\r\n");
    std::string out;
    ASSERT_EQ(p.wine("cmd /c 'C:\\probe.bat'", &out), 0) << out;
    EXPECT_NE(out.find("present"), std::string::npos) << out;
}

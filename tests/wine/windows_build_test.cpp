// The Windows build's programs under Wine, which gives them the real Win32
// registry, files and processes: the unattended backup by tarnhold.exe and
// the restore by tarnhold-cli.exe give back what Wine saw before, and
// backups cross between the Windows and the Linux build both ways.

#include <gtest/gtest.h>

#include "wine/WinePrefixCopy.h"

using testing_support::runCommand;
using testing_support::shellQuote;
using testing_support::writeFile;
using wine_support::kClientKey;
using wine_support::WinePrefixCopy;
namespace fs = std::filesystem;

namespace {

// Mail in folders whose names hold characters beyond ASCII that the
// prefix's code page (1252) holds, files inside them named with characters
// it does not hold (the folder archives keep any name), and a value of each
// kind besides the fixture's.
void addWesternMail(WinePrefixCopy& p) {
    writeFile(p.mailStore() / "Boîte de réception (Jörg)" / "Entrée" / "{W1}.eml",
              "From: jorg@example.de\r\nSubject: Grüße\r\n\r\nÀ bientôt.\r\n");
    writeFile(p.mailStore() / "Boîte de réception (Jörg)" / "Письма 📧" / "{W2} Ελλάδα.eml",
              "From: nikos@example.gr\r\nSubject: Γεια\r\n\r\n\r\n");
    writeFile(p.contactsFolder() / "{Café}" / "contact.edb", std::string(70000, '\x7f'));
    p.addValue(kClientKey + "\\Rules\\Mail\\002", "Name", "REG_SZ", "règle «été»");
    p.addValue(kClientKey + "\\Rules\\Mail\\002", "Mask", "REG_DWORD", "0x80000001");
    p.addValue(kClientKey + "\\Rules\\Mail\\002", "Blob", "REG_BINARY", "00ff10");
}

// What the items hold, once backed up by `backup`, wiped and restored by
// `restore`, compared with what Wine saw before.
void expectRestoredAsBefore(WinePrefixCopy& p, const wine_support::ItemSnapshot& before) {
    const wine_support::ItemSnapshot after = wine_support::itemSnapshot(p);
    EXPECT_EQ(after.keys, wine_support::withEmptyExpandAsZeroLength(before.keys));
    EXPECT_EQ(after.store, before.store);
    EXPECT_EQ(after.contacts, before.contacts);
    EXPECT_EQ(after.stationery, before.stationery);
}

std::string withPassword(const std::string& password) {
    return password.empty() ? std::string() : "TARNHOLD_PASSWORD=" + shellQuote(password);
}

}  // namespace

TEST(WindowsBuild, TheUnattendedBackupAndTheRestoreUnderWineGiveBackEveryValueAndFile) {
    SKIP_WITHOUT_WINDOWS_BUILD();
    for (const std::string password : {"", "s3cret pass"}) {
        WinePrefixCopy p;
        addWesternMail(p);
        const wine_support::ItemSnapshot before = wine_support::itemSnapshot(p);
        ASSERT_EQ(before.store.count("Boîte de réception (Jörg)/Entrée/{W1}.eml"), 1u);
        ASSERT_EQ(before.store.count("Boîte de réception (Jörg)/Письма 📧/{W2} Ελλάδα.eml"), 1u);
        const fs::path archive = p.file("windows.wlm");
        std::string out;
        // As the scheduled task starts it: the program, then " sf=..." unquoted.
        const std::string line = "sf=alicexm=11111111111ps=" + password + "bf=" + WinePrefixCopy::windowsPath(archive);
        ASSERT_EQ(p.windowsTarnhold(shellQuote(line), &out), 0) << out << p.log();
        EXPECT_EQ(p.log().find("Fail!"), std::string::npos) << p.log();
        EXPECT_NE(p.log().find(" Backup File is " + WinePrefixCopy::windowsPath(archive) + "\n"), std::string::npos);
        EXPECT_EQ(runCommand("7z t -p" + shellQuote(password) + " " + shellQuote(archive.string()) + " >/dev/null"), 0);
        if (password.empty()) {
            EXPECT_EQ(runCommand("unzip -tq " + shellQuote(archive.string())), 0);
        }
        const std::string windowsArchive = shellQuote(WinePrefixCopy::windowsPath(archive));
        EXPECT_EQ(p.windowsCli("verify " + windowsArchive, &out, withPassword(password)), 0) << out;
        EXPECT_NE(out.find(": OK"), std::string::npos) << out;
        EXPECT_EQ(p.windowsCli("info " + windowsArchive, &out, withPassword(password)), 0) << out;
        EXPECT_NE(out.find("User:alice"), std::string::npos) << out;
        EXPECT_EQ(p.windowsCli("list " + windowsArchive, &out, withPassword(password)), 0) << out;
        EXPECT_NE(out.find("{W2} Ελλάδα.eml"), std::string::npos) << out;

        wine_support::wipeItems(p);
        ASSERT_EQ(p.windowsCli("restore " + shellQuote(WinePrefixCopy::windowsPath(archive)), &out,
                               withPassword(password)), 0) << out;
        EXPECT_EQ(out.find("Fail"), std::string::npos) << out;
        expectRestoredAsBefore(p, before);
        EXPECT_NE(p.log().find(" Restore File is " + WinePrefixCopy::windowsPath(archive) + "\n"), std::string::npos)
            << p.log();
    }
}

// One backup format: what either build writes, the other restores exactly.
TEST(WindowsBuild, BackupsCrossBetweenTheWindowsAndTheLinuxBuild) {
    SKIP_WITHOUT_WINDOWS_BUILD();
    for (const std::string password : {"", "pw"}) {
        WinePrefixCopy p;
        addWesternMail(p);
        const wine_support::ItemSnapshot before = wine_support::itemSnapshot(p);
        std::string out;

        const fs::path fromWindows = p.file("from-windows.wlm");
        ASSERT_EQ(p.windowsTarnhold(shellQuote("sf=alicexm=11111111111ps=" + password + "bf=" +
                                               WinePrefixCopy::windowsPath(fromWindows)), &out), 0) << out << p.log();
        wine_support::wipeItems(p);
        p.waitForWine();
        ASSERT_EQ(p.cli("restore " + shellQuote(fromWindows.string()), &out, withPassword(password)), 0) << out;
        expectRestoredAsBefore(p, before);

        const fs::path fromLinux = p.file("from-linux.wlm");
        ASSERT_EQ(p.tarnhold(" sf=alicexm=11111111111ps=" + password + "bf=" + fromLinux.string(), &out), 0)
            << out << p.log();
        p.waitForWine();
        wine_support::wipeItems(p);
        ASSERT_EQ(p.windowsCli("restore " + shellQuote(WinePrefixCopy::windowsPath(fromLinux)), &out,
                               withPassword(password)), 0) << out;
        expectRestoredAsBefore(p, before);
        EXPECT_EQ(p.log().find("Fail!"), std::string::npos) << p.log();
    }
}

// Without a command line the program would open its windows, which this
// version holds only on Linux: it says so and ends with status 1.
// (Without a command line tarnhold.exe opens its main window: the
// Win32Windows tests drive it.)
TEST(WindowsBuild, TheCommandLineToolSaysItsVersion) {
    SKIP_WITHOUT_WINDOWS_BUILD();
    WinePrefixCopy p;
    std::string out;
    EXPECT_EQ(p.windowsCli("--version", &out), 0) << out;
    EXPECT_NE(out.find("Zorva Windows Live Mail Backup v3.00"), std::string::npos) << out;
}

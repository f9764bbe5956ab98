// The Windows build's programs under Wine, which gives them the real Win32
// registry, files and processes: the unattended backup by tarnhold.exe and
// the restore by tarnhold-cli.exe give back what Wine saw before, and
// backups cross between the Windows and the Linux build both ways.

#include <gtest/gtest.h>

#include "wine/WinePrefixCopy.h"

using testing_support::readFile;
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

namespace {

// Mail for the export: a "From " line to quote, an encoded subject, a file
// that holds no message, and folders with long names, whose paths below a
// deep target are too long for Windows unless the names are cut (the store's
// own paths stay within what Windows allows).
std::string addOddMail(WinePrefixCopy& p) {
    const fs::path inbox = p.mailStore() / "Hotmail (alice)" / "Inbox";
    writeFile(inbox / "{O1}.eml", "Return-Path: <list@example.org>\r\nFrom: bob@example.org\r\n"
                                  "Subject: =?utf-8?B?R3LDvMOfZQ==?=\r\nDate: Tue, 15 Mar 2011 10:22:33 +0100\r\n\r\n"
                                  "From the start.\r\n>From quoted.\r\nNo line end");
    writeFile(inbox / "{O2}.eml", "");
    const std::string longName = "Project archive " + std::string(54, 'x');
    writeFile(inbox / longName / longName / "{O3}.eml", "From: carol@example.org\r\nSubject: deep\r\n\r\nDeep.\r\n");
    return longName;
}

// The longest path below `root` as Windows names it (Z:\...).
std::size_t longestWindowsPath(const fs::path& root) {
    std::size_t longest = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        longest = std::max(longest, WinePrefixCopy::windowsPath(entry.path()).size());
    }
    return longest;
}

}  // namespace

TEST(WindowsBuild, TheWindowsCommandLineToolExportsMailAsTheLinuxOneDoes) {
    SKIP_WITHOUT_WINDOWS_BUILD();
    for (const std::string password : {"", "pw"}) {
        WinePrefixCopy p;
        const std::string longName = addOddMail(p);
        const fs::path archive = p.file("windows.wlm");
        std::string out;
        ASSERT_EQ(p.windowsTarnhold(shellQuote("sf=alicexm=10000000000ps=" + password + "bf=" +
                                               WinePrefixCopy::windowsPath(archive)), &out), 0) << out << p.log();
        p.waitForWine();
        const std::string windowsArchive = shellQuote(WinePrefixCopy::windowsPath(archive));
        EXPECT_EQ(p.windowsCli("messages " + windowsArchive + " --folder " + shellQuote("Hotmail (alice)/Inbox"), &out,
                               withPassword(password)), 0) << out;
        EXPECT_NE(out.find("  Gr\xC3\xBC\xC3\x9F" "e"), std::string::npos) << out;
        EXPECT_NE(out.find("(no message header: {O2}.eml)"), std::string::npos) << out;
        for (const std::string format : {"mbox", "eml"}) {
            // Targets whose paths are as long as Windows ("Z:\\...\\win-") and
            // Linux (".../linux-") name them, so names are cut alike.
            const fs::path deep = p.file(std::string(120, 'd'));
            const fs::path win = deep / ("win-" + format), linux = deep / ("linux-" + format);
            const int skipped = format == "mbox" ? 1 : 0;
            EXPECT_EQ(p.windowsCli("export " + windowsArchive + " --format " + format + " --to " +
                                   shellQuote(WinePrefixCopy::windowsPath(win)), &out, withPassword(password)), skipped)
                << out;
            EXPECT_NE(out.find("Total: 7 messages in the backup, " + std::to_string(7 - skipped) + " written, " +
                               std::to_string(skipped) + " skipped"), std::string::npos) << out;
            p.waitForWine();
            EXPECT_EQ(p.cli("export " + shellQuote(archive.string()) + " --format " + format + " --to " +
                            shellQuote(linux.string()), &out, withPassword(password)), skipped) << out;
            EXPECT_EQ(wine_support::filesBelow(win), wine_support::filesBelow(linux)) << format;
            EXPECT_LE(longestWindowsPath(win), 259u) << format;
            EXPECT_GT(longestWindowsPath(win), 240u) << format;  // the cut names fill what Windows allows
        }
        const fs::path deep = p.file(std::string(120, 'd'));
        const std::string mbox = readFile(deep / "win-mbox" / "Hotmail (alice).sbd" / "Inbox");
        EXPECT_NE(mbox.find("From list@example.org Tue Mar 15 09:22:33 2011\n"), std::string::npos) << mbox;
        EXPECT_NE(mbox.find("\n>From the start.\n>>From quoted.\nNo line end\n\n"), std::string::npos) << mbox;
        EXPECT_EQ(readFile(deep / "win-eml" / "Hotmail (alice)" / "Inbox" / "{O1}.eml"),
                  readFile(p.mailStore() / "Hotmail (alice)" / "Inbox" / "{O1}.eml"));
        // The long folder's name, cut to leave room for the one below it.
        std::vector<std::string> cut;
        for (const auto& name : testing_support::namesIn(deep / "win-eml" / "Hotmail (alice)" / "Inbox")) {
            if (name.starts_with("Project archive x")) cut.push_back(name);
        }
        ASSERT_EQ(cut.size(), 1u);
        EXPECT_LT(cut[0].size(), longName.size());
    }
}

// A message whose path is longer than Windows lets the program look at is
// not left out unnoticed: the backup of the mail says it failed, naming the
// folder (the system gives no usable name for the file itself).
TEST(WindowsBuild, AMessagePastTheWindowsPathLimitIsReportedNotLeftOut) {
    SKIP_WITHOUT_WINDOWS_BUILD();
    WinePrefixCopy p;
    const std::string name(100, 'n');
    const fs::path message = p.mailStore() / "Hotmail (alice)" / "Inbox" / name / name / "{L1}.eml";
    writeFile(message, "From: dora@example.org\r\nSubject: far down\r\n\r\nDeep.\r\n");
    ASSERT_GT(WinePrefixCopy::windowsPath(message).size(), 260u);
    const fs::path archive = p.file("long.wlm");
    std::string out;
    EXPECT_NE(p.windowsTarnhold(shellQuote("sf=alicexm=10000000000ps=bf=" + WinePrefixCopy::windowsPath(archive)), &out),
              0)
        << out << p.log();
    const std::string log = p.log();
    EXPECT_NE(log.find(" Backup Mail Accounts & Messages/News Accounts & Messages Fail!"), std::string::npos) << log;
    EXPECT_NE(log.find("Live Mail\\Hotmail (alice)/Inbox/" + name + "/" + name + "/"), std::string::npos) << log;
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

#include <gtest/gtest.h>

#include "backup/InformationRecord.h"
#include "items/FolderArchives.h"
#include "items/MemberExtraction.h"
#include "items/ItemFunctions.h"
#include "items/ItemFixture.h"
#include "support/RawZip.h"

using namespace items;
using testing_support::ItemFixture;
using testing_support::readFile;
using testing_support::writeFile;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> memberNames(const std::string& archive) {
    backup::ZipComponent zip;
    EXPECT_TRUE(zip.openArchive(archive));
    std::vector<std::string> names;
    for (const auto& m : zip.members()) names.push_back(m.name);
    return names;
}

// Writes the backup archive and opens it again for a restore.
void writeAndReopen(ItemFixture& f) {
    ASSERT_TRUE(f.Zip1.writeArchive()) << f.Zip1.lastError();
    f.Zip1.closeArchive();
    RemoveScratchFolder(f.ctx);
    ASSERT_TRUE(f.Zip1.openArchive(f.archivePath()));
}

}  // namespace

TEST(FolderItems, BackupLaysOutMembersAndRecordAsTheCatalogueSays) {
    ItemFixture f;
    writeFile(f.store() / "Beta" / "Inbox" / "1.eml", "beta");
    writeFile(f.store() / "Alpha" / "2.eml", "alpha");
    writeFile(f.store() / "backup" / "x.eml", "lower-case name is an account");
    for (const char* excluded : {"Backup", "Your Feeds", "Sentinel", "Storage Folders"}) {
        writeFile(f.store() / excluded / "skip.dat", "skip");
    }
    writeFile(f.store() / "Calendars" / "Home" / "a.ics", "cal");
    writeFile(f.store() / "account{1}.oeaccount", "one");
    writeFile(f.store() / "ACCOUNT{2}.OEACCOUNT", "two");
    writeFile(f.store() / "account{3}.oeaccount.bak", "not taken");
    writeFile(f.store() / "WindowsMail.MSMessageStore", "db");
    writeFile(f.store() / "Mail.MSMessageStore", "db2");
    writeFile(f.store() / "mine.zip", "the user's own zip");
    fs::create_directories(f.contacts());
    writeFile(f.contacts() / "contacts.edb", "no subfolders here");
    writeFile(f.stationery() / "paper.htm", "<html>");

    ASSERT_TRUE(f.Zip1.newArchive(f.archivePath()));
    EXPECT_TRUE(Backupmailaccountsandmessages(f.ctx));
    EXPECT_TRUE(BackupldapAccounts(f.ctx));
    EXPECT_FALSE(BackupContacts(f.ctx));
    EXPECT_TRUE(BackupStationeries(f.ctx));
    EXPECT_TRUE(BackupCalendars(f.ctx));
    // Folder archives wait in the private staging folder, never beside the user's folders.
    EXPECT_FALSE(fs::exists(f.store() / "Alpha.zip"));
    ASSERT_TRUE(f.Zip1.writeArchive()) << f.Zip1.lastError();
    f.Zip1.closeArchive();
    RemoveScratchFolder(f.ctx);
    EXPECT_TRUE(fs::exists(f.store() / "mine.zip"));

    EXPECT_EQ(memberNames(f.archivePath()),
              (std::vector<std::string>{"Alpha.zip", "Beta.zip", "backup.zip", "WindowsMail.MSMessageStore",
                                        "ACCOUNT{2}.OEACCOUNT", "account{1}.oeaccount", "paper.htm", "Home.zip"}));
    EXPECT_EQ(readFile(f.ctx.InfoRecordPath),
              "Backupmailaccountsandmessages=Alpha.zip;Beta.zip;backup.zip;WindowsMail.MSMessageStore\r\n"
              "BackupldapAccounts=ACCOUNT{2}.OEACCOUNT;account{1}.oeaccount\r\n"
              "BackupStationeries=paper.htm\r\nBackupCalendars=Home.zip\r\n");
}

TEST(FolderItems, TheDatabaseFileGoesOnceWhenTheDatabaseItemRunsToo) {
    ItemFixture f;
    writeFile(f.store() / "Alpha" / "1.eml", "a");
    writeFile(f.store() / "WindowsMail.MSMessageStore", "db");
    writeFile(f.store() / "Mail.MSMessageStore", "db2");
    f.ctx.databaseChosen = true;
    ASSERT_TRUE(f.Zip1.newArchive(f.archivePath()));
    EXPECT_TRUE(Backupmailaccountsandmessages(f.ctx));
    EXPECT_TRUE(Backupmaildatabase(f.ctx));
    ASSERT_TRUE(f.Zip1.writeArchive());
    EXPECT_EQ(memberNames(f.archivePath()),
              (std::vector<std::string>{"Alpha.zip", "Mail.MSMessageStore", "WindowsMail.MSMessageStore"}));

    // Only excluded folders: nothing to add, no record line.
    ItemFixture g;
    writeFile(g.store() / "Storage Folders" / "x", "x");
    ASSERT_TRUE(g.Zip1.newArchive(g.archivePath()));
    EXPECT_FALSE(Backupmailaccountsandmessages(g.ctx));
    EXPECT_FALSE(fs::exists(g.ctx.InfoRecordPath));
}

TEST(FolderItems, RestoreReplacesAccountFoldersAndMergesContacts) {
    ItemFixture f;
    writeFile(f.store() / "Alpha" / "Inbox" / "1.eml", "original");
    writeFile(f.store() / "WindowsMail.MSMessageStore", "database");
    writeFile(f.contacts() / "{C1}" / "contacts.edb", "contacts");
    writeFile(f.store() / "Calendars" / "Home" / "a.ics", "cal");
    ASSERT_TRUE(f.Zip1.newArchive(f.archivePath()));
    ASSERT_TRUE(Backupmailaccountsandmessages(f.ctx));
    ASSERT_TRUE(BackupContacts(f.ctx));
    ASSERT_TRUE(BackupCalendars(f.ctx));
    writeAndReopen(f);

    writeFile(f.store() / "Alpha" / "Inbox" / "1.eml", "changed");
    writeFile(f.store() / "Alpha" / "Inbox" / "new.eml", "not in the backup");
    writeFile(f.store() / "WindowsMail.MSMessageStore", "changed");
    writeFile(f.contacts() / "{C1}" / "extra.txt", "kept");
    fs::remove_all(f.store() / "Calendars");
    for (auto item : {kMailAccounts, kContacts, kCalendars}) {
        f.ctx.RestoreItemMembers[item] = *backup::GetINI(std::string(kCatalogue[item].recordKey), f.ctx.InfoRecordPath);
    }
    EXPECT_TRUE(Restoremailaccountsandmessages(f.ctx));
    EXPECT_TRUE(RestoreContacts(f.ctx));
    EXPECT_TRUE(RestoreCalendars(f.ctx));
    EXPECT_EQ(readFile(f.store() / "Alpha" / "Inbox" / "1.eml"), "original");
    EXPECT_FALSE(fs::exists(f.store() / "Alpha" / "Inbox" / "new.eml"));
    EXPECT_EQ(readFile(f.store() / "WindowsMail.MSMessageStore"), "database");
    EXPECT_FALSE(fs::is_directory(f.store() / "WindowsMail"));  // a plain file, no folder for it
    EXPECT_EQ(readFile(f.contacts() / "{C1}" / "extra.txt"), "kept");
    EXPECT_EQ(readFile(f.contacts() / "{C1}" / "contacts.edb"), "contacts");
    EXPECT_EQ(readFile(f.store() / "Calendars" / "Home" / "a.ics"), "cal");
    // Nothing left over: no archives, no half-made folders.
    for (const auto& e : fs::directory_iterator(f.store())) {
        EXPECT_NE(e.path().filename().string().front(), '.') << e.path();
        EXPECT_NE(e.path().extension(), ".zip") << e.path();
    }
}

TEST(FolderItems, HostileOrDamagedMembersChangeNothing) {
    ItemFixture f;
    writeFile(f.store() / "Alpha" / "1.eml", "original");
    ASSERT_TRUE(f.Zip1.newArchive(f.archivePath()));
    ASSERT_TRUE(Backupmailaccountsandmessages(f.ctx));
    writeAndReopen(f);

    for (const char* hostile : {"../Alpha.zip", "..", "C:Alpha.zip", "sub\\Alpha.zip", "/tmp/Alpha.zip", "", "NUL",
                                "x.", "a?b"}) {
        f.ctx.RestoreItemMembers[kMailAccounts] = hostile;
        f.ctx.failure.clear();
        EXPECT_FALSE(Restoremailaccountsandmessages(f.ctx)) << hostile;
        EXPECT_NE(f.ctx.failure.find("no plain"), std::string::npos) << f.ctx.failure;
        f.ctx.RestoreItemMembers[kLdapAccounts] = hostile;
        EXPECT_FALSE(RestorLdapaccounts(f.ctx)) << hostile;
    }
    f.ctx.RestoreItemMembers[kMailAccounts] = "Missing.zip";
    EXPECT_FALSE(Restoremailaccountsandmessages(f.ctx));

    // A folder archive whose contents are damaged leaves the folder as it is.
    writeFile(f.store() / "Alpha" / "1.eml", "current");
    f.Zip1.closeArchive();
    {
        backup::ZipComponent bad;
        writeFile(f.dir / "Alpha.zip", "this is not a zip archive");
        ASSERT_TRUE(bad.newArchive((f.dir / "bad.wlm").string()));
        ASSERT_TRUE(bad.addFiles((f.dir / "Alpha.zip").string(), 1));
        ASSERT_TRUE(bad.writeArchive());
    }
    ASSERT_TRUE(f.Zip1.openArchive((f.dir / "bad.wlm").string()));
    f.ctx.RestoreItemMembers[kMailAccounts] = "Alpha.zip";
    EXPECT_FALSE(Restoremailaccountsandmessages(f.ctx));
    EXPECT_EQ(readFile(f.store() / "Alpha" / "1.eml"), "current");
    EXPECT_EQ(std::distance(fs::directory_iterator(f.store()), fs::directory_iterator()), 1);
}

TEST(FolderItems, AFolderArchiveWhoseFolderNameIsNotPlainChangesNothing) {
    ItemFixture f;
    writeFile(f.store() / "Mail.MSMessageStore", "the message database");
    writeFile(f.contacts() / "{C1}" / "contacts.edb", "contacts");
    // "...zip" is a name of its own, but its folder would be "..": the
    // contacts' parent, which holds the mail store.
    const fs::path nested = f.dir / "nested.zip";
    testing_support::writeRawZip(nested, {{"Windows Live Mail/Mail.MSMessageStore", "overwritten"}});
    for (const std::string member : {"...zip", "..zip", "CON.zip", "Home..zip"}) {
        testing_support::writeRawZip(f.archivePath(), {{member, readFile(nested)}});
        ASSERT_TRUE(f.Zip1.openArchive(f.archivePath()));
        f.ctx.RestoreItemMembers[kContacts] = member;
        f.ctx.RestoreItemMembers[kCalendars] = member;
        f.ctx.failure.clear();
        EXPECT_FALSE(RestoreContacts(f.ctx)) << member;
        EXPECT_NE(f.ctx.failure.find("gives no plain folder name"), std::string::npos) << f.ctx.failure;
        EXPECT_FALSE(RestoreCalendars(f.ctx)) << member;
        EXPECT_EQ(readFile(f.store() / "Mail.MSMessageStore"), "the message database") << member;
        EXPECT_EQ(std::distance(fs::directory_iterator(f.contacts()), fs::directory_iterator()), 1) << member;
        f.Zip1.closeArchive();  // Windows replaces no file that is open
    }
}

TEST(FolderItems, ABackupNeverHoldsANameItsRestoreWouldRefuse) {
    SKIP_ON_WINDOWS("file names that only a POSIX file system holds");
    ItemFixture f;
    writeFile(f.contacts() / "{C1}" / "aux.txt", "a device name on Windows");
    writeFile(f.store() / "Calendars" / "Home." / "a.ics", "a folder name Windows cannot hold");
    writeFile(f.stationery() / "paper.htm ", "a file name Windows cannot hold");
    ASSERT_TRUE(f.Zip1.newArchive(f.archivePath()));
    EXPECT_FALSE(BackupContacts(f.ctx));
    EXPECT_EQ(f.ctx.failure, "the folder \"" + (f.contacts() / "{C1}").string() +
                                 "\" could not be packed: the name \"aux.txt\" is no file name Windows can hold");
    EXPECT_FALSE(BackupCalendars(f.ctx));
    EXPECT_EQ(f.ctx.failure, "the folder \"" + (f.store() / "Calendars" / "Home.").string() +
                                 "\" has a name Windows cannot hold");
    EXPECT_FALSE(BackupStationeries(f.ctx));
    EXPECT_EQ(f.ctx.failure, "the file \"" + (f.stationery() / "paper.htm ").string() +
                                 "\" has a name Windows cannot hold");
    EXPECT_FALSE(fs::exists(f.ctx.InfoRecordPath));
}

TEST(FolderItems, AFolderArchiveOfABombOrALyingHeaderFailsWithItsReason) {
    ItemFixture f;
    writeFile(f.store() / "Calendars" / "Home" / "a.ics", "calendar");
    const fs::path bomb = f.dir / "Home.zip";
    testing_support::writeRawZip(bomb, {{"a.ics", "changed"}, {"big.ics", std::string(64u << 20, 'B')}});
    const fs::path liar = f.dir / "Work.zip";
    testing_support::writeRawZip(liar, {{"w.ics", std::string(1u << 20, 'W')}});
    testing_support::declareFirstMemberSize(liar, 100);
    testing_support::writeRawZip(f.archivePath(), {{"Home.zip", readFile(bomb)}, {"Work.zip", readFile(liar)}});
    ASSERT_TRUE(f.Zip1.openArchive(f.archivePath()));

    f.ctx.RestoreItemMembers[kCalendars] = "Home.zip";
    EXPECT_FALSE(RestoreCalendars(f.ctx));
    EXPECT_EQ(f.ctx.failure.rfind("\"Home.zip\": the member \"big.ics\" declares 67108864 bytes from ", 0), 0u)
        << f.ctx.failure;
    f.ctx.RestoreItemMembers[kCalendars] = "Work.zip";
    EXPECT_FALSE(RestoreCalendars(f.ctx));
    EXPECT_EQ(f.ctx.failure, "\"Work.zip\": the member holds more than the 100 bytes its header declares");
    // The calendar stays as it was, and nothing else is left beside it.
    EXPECT_EQ(readFile(f.store() / "Calendars" / "Home" / "a.ics"), "calendar");
    EXPECT_EQ(std::distance(fs::directory_iterator(f.store() / "Calendars"), fs::directory_iterator()), 1);
}

#include <gtest/gtest.h>

#include <filesystem>

#include "session/Discovery.h"
#include "session/MainSession.h"
#include "platform/WineRegistry.h"
#include "support/TestEnvironment.h"

using namespace session;
using platform::Hive;
using platform::RegValue;
using testing_support::TempDir;
using testing_support::writeFile;

namespace fs = std::filesystem;

namespace {

// A hand-made client in an in-memory registry, with its folders on disk.
struct DiscoveryTest : ::testing::Test {
    TempDir dir;
    testing_support::TestPlatform tp{dir.path()};
    items::RegistryAccess access{tp.registry, tp.dialogs};
    fs::path drive = dir / "prefix" / "drive_c";
    fs::path local = drive / "users" / "owner" / "AppData" / "Local";
    fs::path store = local / "Microsoft" / "Windows Live Mail";

    void SetUp() override {
        setString("Software\\Microsoft\\Windows Live Mail", "Store Root", "%USERPROFILE%\\AppData\\Local\\Microsoft\\Windows Live Mail");
        setShellFolders("%USERPROFILE%\\AppData\\Local", "%USERPROFILE%\\Documents");
        fs::create_directories(store);
    }
    void setString(const std::string& key, const std::string& name, const std::string& text,
                   std::uint32_t type = platform::REG_SZ) {
        tp.registry.createKey(Hive::CurrentUser, key);
        tp.registry.setValue(Hive::CurrentUser, key, RegValue::string(name, type, text));
    }
    void setShellFolders(const std::string& localAppData, const std::string& personal) {
        const char* key = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
        setString(key, "Local AppData", localAppData, platform::REG_EXPAND_SZ);
        setString(key, "Personal", personal, platform::REG_EXPAND_SZ);
    }
    std::array<bool, items::kItemCount> availability() {
        session::MailStore found = session::DiscoverMailStore(tp.services, access);
        EXPECT_TRUE(found.ready());
        return session::ItemAvailability(found, tp.env, access);
    }
};

}  // namespace

TEST_F(DiscoveryTest, FindsNamesAndFoldersInWindowsForm) {
    session::MailStore found = session::DiscoverMailStore(tp.services, access);
    ASSERT_TRUE(found.ready());
    EXPECT_TRUE(tp.dialogs.messages.empty());
    EXPECT_EQ(found.ComputerName, "DESKTOP-01");
    EXPECT_EQ(found.LogonUserName, "owner");
    EXPECT_EQ(found.MailStoreRoot, "C:\\users\\owner\\AppData\\Local\\Microsoft\\Windows Live Mail");
    EXPECT_EQ(found.ContactsFolder, "C:\\users\\owner\\AppData\\Local\\Microsoft\\Windows Live Contacts");
    EXPECT_EQ(found.StationeryFolder, "C:\\users\\owner\\Documents\\My Stationery");
}

TEST_F(DiscoveryTest, MissingClientAndMissingFoldersGiveTheirMessages) {
    tp.registry.deleteValue(Hive::CurrentUser, "Software\\Microsoft\\Windows Live Mail", "Store Root");
    session::MailStore none = session::DiscoverMailStore(tp.services, access);
    EXPECT_FALSE(none.clientFound);
    EXPECT_TRUE(none.LogonUserName.empty());
    ASSERT_EQ(tp.dialogs.messages.size(), 1u);
    EXPECT_EQ(tp.dialogs.messages[0].text, "Your Windows System have not install Windows Live Mail ");
    EXPECT_EQ(tp.dialogs.messages[0].icon, platform::Icon::Critical);

    setString("Software\\Microsoft\\Windows Live Mail", "Store Root", "x");
    tp.registry.deleteValue(Hive::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                            "Local AppData");
    session::MailStore noFolders = session::DiscoverMailStore(tp.services, access);
    EXPECT_TRUE(noFolders.clientFound);
    EXPECT_FALSE(noFolders.foldersFound);
    EXPECT_EQ(noFolders.LogonUserName, "owner");  // names are set before the folders
    EXPECT_TRUE(noFolders.MailStoreRoot.empty());
    ASSERT_EQ(tp.dialogs.messages.size(), 2u);
    EXPECT_EQ(tp.dialogs.messages[1].text,
              "Your Windows System have not install Windows Live Mail or Windows Live Mail error!");
}

TEST_F(DiscoveryTest, AnAbsoluteShellFolderIsUsedUnchanged) {
    setShellFolders("D:\\Profiles\\Local", "D:\\Docs");
    session::MailStore found = session::DiscoverMailStore(tp.services, access);
    EXPECT_EQ(found.MailStoreRoot, "D:\\Profiles\\Local\\Microsoft\\Windows Live Mail");
    EXPECT_EQ(found.StationeryFolder, "D:\\Docs\\My Stationery");
}

TEST_F(DiscoveryTest, ItemAvailabilityFollowsWhatIsPresent) {
    auto nothing = availability();
    EXPECT_EQ(nothing, (std::array<bool, 11>{true, false, false, false, true, false, true, false, false, true, true}));

    // Rule keys count only with subkeys; values alone are not enough.
    setString("Software\\Microsoft\\Windows Live Mail\\Rules\\Mail", "Only", "value");
    EXPECT_FALSE(availability()[items::kMailRules]);
    tp.registry.createKey(Hive::CurrentUser, "Software\\Microsoft\\Windows Live Mail\\Rules\\Mail\\000");
    tp.registry.createKey(Hive::CurrentUser, "Software\\Microsoft\\Windows Live Mail\\Rules\\News\\000");
    tp.registry.createKey(Hive::CurrentUser, "Software\\Microsoft\\Windows Live Mail\\signatures\\00000000");

    // Account files end in lower-case "oeaccount"; capitals do not count here.
    writeFile(store / "account{1}.OEACCOUNT", "x");
    writeFile(local / "Microsoft" / "Windows Live Contacts" / "Contacts.EDB", "x");
    fs::create_directories(drive / "users" / "owner" / "Documents" / "My Stationery" / "only-a-folder");
    auto partial = availability();
    EXPECT_TRUE(partial[items::kMailRules]);
    EXPECT_TRUE(partial[items::kNewsRules]);
    EXPECT_TRUE(partial[items::kSignatures]);
    EXPECT_FALSE(partial[items::kLdapAccounts]);
    EXPECT_FALSE(partial[items::kContacts]);
    EXPECT_FALSE(partial[items::kStationeries]);

    writeFile(store / "account{2}.oeaccount", "x");
    writeFile(local / "Microsoft" / "Windows Live Contacts" / "contacts.edb", "x");
    writeFile(drive / "users" / "owner" / "Documents" / "My Stationery" / "any name", "x");
    auto all = availability();
    EXPECT_EQ(all, (std::array<bool, 11>{true, true, true, true, true, true, true, true, true, true, true}));
}

TEST(DiscoveryOnGeneratedPrefix, TheSampleProfileIsFoundWithEveryItemAvailable) {
    TempDir dir;
    auto prefix = dir / "prefix";
    testing_support::makeSamplePrefix(prefix, {"--user", "owner", "--accounts", "2", "--messages", "3"});
    auto env = testing_support::makeEnvironment(dir.path());
    platform::WineRegistry registry(env.winePrefix);
    platform::ScriptedDialogs dialogs;
    platform::RecordingLauncher launcher;
    platform::RecordingProcesses processes;
    platform::ScriptedWineServer wine;
    platform::Services services{env, registry, dialogs, launcher, processes, wine};
    session::MainSession session(services, "");
    session.Load();
    EXPECT_TRUE(dialogs.messages.empty());
    ASSERT_TRUE(session.store.ready());
    EXPECT_EQ(session.registry.ReadRegistryString(session::kAppPathsKey, "Path"), "C:\\Program Files\\Windows Live\\Mail");
    for (bool available : session.available) EXPECT_TRUE(available);
    EXPECT_TRUE(fs::is_directory(env.hostPath(session.store.MailStoreRoot)));
    EXPECT_EQ(session.InfoRecordPath, (dir / "home" / "oebackup.dat").string());

    TempDir emptyDir;
    testing_support::makeSamplePrefix(emptyDir / "prefix", {"--empty"});
    auto emptyEnv = testing_support::makeEnvironment(emptyDir.path());
    platform::WineRegistry emptyRegistry(emptyEnv.winePrefix);
    platform::Services emptyServices{emptyEnv, emptyRegistry, dialogs, launcher, processes, wine};
    session::MainSession none(emptyServices, "");
    none.Load();
    EXPECT_FALSE(none.store.clientFound);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, session::kMissingClientMessage);
}

#include <gtest/gtest.h>

#include "items/RegistryAccess.h"
#include "platform/MemoryRegistry.h"
#include "platform/ScriptedDialogs.h"

using namespace items;
using platform::Hive;
using platform::RegValue;

namespace {

struct RegistryAccessTest : ::testing::Test {
    platform::MemoryRegistry store;
    platform::ScriptedDialogs dialogs;
    RegistryAccess access{store, dialogs};
};

}  // namespace

TEST_F(RegistryAccessTest, IllFormedPathsShowTheMessageAndHaveNoEffect) {
    for (const std::string path : {"HKEY_CURRENT_USER\\Software\\", "Software\\Microsoft", "hkey_current_user\\Software"}) {
        dialogs.messages.clear();
        EXPECT_NE(access.CreateRegistryKey(path), 0);
        EXPECT_FALSE(access.RegistryKeyExists(path));
        EXPECT_EQ(access.ReadRegistryString(path, "x"), "Error");
        ASSERT_GE(dialogs.messages.size(), 1u) << path;
        EXPECT_EQ(dialogs.messages[0].text, "Incorrect Format:\n\n" + path);
        EXPECT_EQ(dialogs.messages[0].buttons, platform::Buttons::Ok);
    }
    EXPECT_TRUE(store.subkeys(Hive::CurrentUser, "").empty());
    // An unknown hive is not ill-formed: it silently names nothing.
    dialogs.messages.clear();
    EXPECT_NE(access.CreateRegistryKey("HKEY_NOWHERE\\x"), 0);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(RegistryAccessTest, HiveNamesAndSubkeyPathsMapToTheStore) {
    ASSERT_EQ(access.CreateRegistryKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\B"), 0);
    EXPECT_TRUE(store.keyExists(Hive::LocalMachine, "software\\a\\b"));
    EXPECT_TRUE(access.RegistryKeyExists("HKEY_LOCAL_MACHINE\\Software\\a"));
    EXPECT_FALSE(access.RegistryKeyExists("HKEY_CURRENT_USER\\Software\\A"));
    auto parsed = access.ParseKeyPath("HKEY_CLASSES_ROOT");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->hive, Hive::ClassesRoot);
    EXPECT_EQ(parsed->subkey, "");
}

TEST_F(RegistryAccessTest, ReadRegistryStringGivesTrimmedTextOrError) {
    const std::string key = "HKEY_CURRENT_USER\\Software\\Test";
    access.CreateRegistryKey(key);
    store.setValue(Hive::CurrentUser, "Software\\Test", RegValue::string("Plain", platform::REG_SZ, "  some text "));
    store.setValue(Hive::CurrentUser, "Software\\Test",
                   RegValue::string("Expand", platform::REG_EXPAND_SZ, "%USERPROFILE%\\AppData"));
    store.setValue(Hive::CurrentUser, "Software\\Test", RegValue::dword("Number", 7));
    store.setValue(Hive::CurrentUser, "Software\\Test", RegValue::string("Long", platform::REG_SZ, std::string(400, 'y')));
    EXPECT_EQ(access.ReadRegistryString(key, "plain"), "some text");
    EXPECT_EQ(access.ReadRegistryString(key, "Expand"), "%USERPROFILE%\\AppData");  // never expanded
    EXPECT_EQ(access.ReadRegistryString(key, "Missing"), "Error");
    EXPECT_EQ(access.ReadRegistryString(key, "Number"), "Error");
    EXPECT_EQ(access.ReadRegistryString(key + "\\Nope", "Plain"), "Error");
    EXPECT_EQ(access.ReadRegistryString(key, "Long"), std::string(254, 'y'));
}

TEST_F(RegistryAccessTest, SubkeysTreesAndDeletion) {
    const std::string root = "HKEY_CURRENT_USER\\Software\\Tree";
    access.CreateRegistryKey(root + "\\b\\deep\\deeper");
    access.CreateRegistryKey(root + "\\A");
    access.CreateRegistryKey(root + "\\C");
    store.setValue(Hive::CurrentUser, "Software\\Tree\\C", RegValue::dword("v", 1));
    EXPECT_EQ(access.ListRegistrySubkeys(root), (std::vector<std::string>{"A", "b", "C"}));
    EXPECT_TRUE(access.ListRegistrySubkeys(root + "\\C").empty());  // values but no subkeys
    EXPECT_TRUE(access.ListRegistrySubkeys(root + "\\Missing").empty());

    EXPECT_NE(access.DeleteRegistryKey(root + "\\b"), 0);  // still has subkeys
    EXPECT_TRUE(access.RegistryKeyExists(root + "\\b\\deep\\deeper"));
    EXPECT_EQ(access.DeleteRegistryTree(root), 0);
    EXPECT_FALSE(access.RegistryKeyExists(root));
    EXPECT_TRUE(access.RegistryKeyExists("HKEY_CURRENT_USER\\Software"));
}

#include <gtest/gtest.h>

#include "platform/MemoryRegistry.h"

using namespace platform;

TEST(MemoryRegistry, BehavesLikeTheWindowsRegistry) {
    MemoryRegistry reg;
    EXPECT_FALSE(reg.keyExists(Hive::CurrentUser, "Software"));
    EXPECT_EQ(reg.createKey(Hive::CurrentUser, "Software\\Client\\Rules"), kRegOk);
    EXPECT_TRUE(reg.keyExists(Hive::CurrentUser, "software\\CLIENT"));
    EXPECT_EQ(reg.createKey(Hive::CurrentUser, "Software\\client\\rules"), kRegOk);  // opening is success
    EXPECT_EQ(reg.createKey(Hive::CurrentUser, "Software\\\\Bad"), kRegInvalidParameter);
    reg.createKey(Hive::CurrentUser, "Software\\Client\\b");
    reg.createKey(Hive::CurrentUser, "Software\\Client\\A");
    EXPECT_EQ(reg.subkeys(Hive::CurrentUser, "Software\\Client"), (std::vector<std::string>{"A", "b", "Rules"}));
    EXPECT_TRUE(reg.subkeys(Hive::CurrentUser, "Software\\Missing").empty());

    const std::string key = "Software\\Client";
    reg.setValue(Hive::CurrentUser, key, RegValue::dword("Zeta", 1));
    reg.setValue(Hive::CurrentUser, key, RegValue::string("alpha", REG_SZ, "x"));
    reg.setValue(Hive::CurrentUser, key, RegValue::dword("ZETA", 2));  // replaces in place, keeps the name
    auto values = reg.values(Hive::CurrentUser, key);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].name, "Zeta");
    EXPECT_EQ(values[0].dwordValue(), 2u);
    EXPECT_EQ(values[1].text(), "x");
    EXPECT_EQ(reg.setValue(Hive::CurrentUser, "Software\\Nowhere", RegValue::dword("a", 1)), kRegNotFound);
    EXPECT_EQ(reg.deleteValue(Hive::CurrentUser, key, "ALPHA"), kRegOk);
    EXPECT_FALSE(reg.value(Hive::CurrentUser, key, "alpha"));

    EXPECT_EQ(reg.deleteKey(Hive::CurrentUser, key), kRegKeyHasSubkeys);
    EXPECT_EQ(reg.deleteKey(Hive::CurrentUser, "Software\\Client\\a"), kRegOk);
    EXPECT_EQ(reg.deleteKey(Hive::CurrentUser, "Software\\Client\\a"), kRegNotFound);
    EXPECT_FALSE(reg.keyExists(Hive::LocalMachine, "Software\\Client"));  // hives are separate
}

#include <gtest/gtest.h>

#include "items/RegistryTextFormat.h"
#include "platform/MemoryRegistry.h"
#include "platform/ScriptedDialogs.h"
#include "support/TestSupport.h"

// A value line's name, token and data are counted in code-page characters;
// a character beyond ASCII takes several bytes once read, and is never cut.

using platform::Hive;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

constexpr const char* kKey = "HKEY_CURRENT_USER\\Software\\Client\\Signatures";
constexpr const char* kSub = "Software\\Client\\Signatures";

struct Fixture {
    platform::MemoryRegistry reg;
    platform::ScriptedDialogs dialogs;
    items::RegistryAccess access{reg, dialogs};
    TempDir dir;
    std::string file = (dir / "OBR1.tmp").string();
};

}  // namespace

TEST(RegistryTextCharacters, ANameWithoutItsClosingQuoteLosesItsLastCharacterWhole) {
    Fixture f;
    // "nam" + left quote + Y acute, then "=" where the closing quote belongs.
    writeFile(f.file, "\\\r\n\"nam\x93\xDD= sz:Work\r\n");
    ASSERT_TRUE(items::ImportRegistryTree(f.access, kKey, f.file));
    const auto values = f.reg.values(Hive::CurrentUser, kSub);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].name, "nam\xE2\x80\x9C");
    std::string error;
    ASSERT_TRUE(items::ExportRegistryTree(f.access, kKey, f.file, &error)) << error;
    EXPECT_EQ(readFile(f.file), "\\\r\n\"nam\x93\"= sz:Work\r\n");
}

TEST(RegistryTextCharacters, TheFirstCharacterAndTheColonPlaceAreSkippedWhole) {
    Fixture f;
    writeFile(f.file, "\\\r\n\xE9x\"= sz\xE9text\r\n\"\xE9\"=esz:\xFC\r\n");
    ASSERT_TRUE(items::ImportRegistryTree(f.access, kKey, f.file));
    auto first = f.reg.value(Hive::CurrentUser, kSub, "x");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->text(), "text");
    auto second = f.reg.value(Hive::CurrentUser, kSub, "\xC3\xA9");
    ASSERT_TRUE(second);
    EXPECT_EQ(second->text(), "\xC3\xBC");
}

TEST(RegistryTextCharacters, ALineWithOneCharacterBeforeTheEqualsSignHasNoName) {
    Fixture f;
    writeFile(f.file, "\\\r\n\xE9= sz:text\r\n");
    std::string error;
    EXPECT_FALSE(items::ImportRegistryTree(f.access, kKey, f.file, &error));
    EXPECT_NE(error.find("no value name"), std::string::npos) << error;
}

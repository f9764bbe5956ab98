#include <gtest/gtest.h>

#include "items/RegistryTextFormat.h"
#include "platform/MemoryRegistry.h"
#include "platform/ScriptedDialogs.h"
#include "support/TestSupport.h"

using namespace items;
using platform::Hive;
using platform::RegValue;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

constexpr const char* kKey = "HKEY_CURRENT_USER\\Software\\Client\\Rules\\Mail";
constexpr const char* kSub = "Software\\Client\\Rules\\Mail";

struct Fixture {
    platform::MemoryRegistry reg;
    platform::ScriptedDialogs dialogs;
    RegistryAccess access{reg, dialogs};
    TempDir dir;
    std::string file = (dir / "OBR1.tmp").string();
};

}  // namespace

TEST(RegistryTextFormat, ExportsValuesAndSubkeysInPreOrderByteForByte) {
    Fixture f;
    f.reg.createKey(Hive::CurrentUser, kSub);
    f.reg.setValue(Hive::CurrentUser, kSub, RegValue::string("Mode", platform::REG_SZ, "on"));
    f.reg.setValue(Hive::CurrentUser, kSub, RegValue::dword("Count", 1));
    f.reg.setValue(Hive::CurrentUser, kSub, RegValue::string("", platform::REG_SZ, "d\xC3\xA9" "f"));
    f.reg.setValue(Hive::CurrentUser, kSub, RegValue::string("Path", platform::REG_EXPAND_SZ, "%USERPROFILE%\\x"));
    f.reg.setValue(Hive::CurrentUser, kSub, RegValue::dword("All", 0xFFFFFFFFu));
    f.reg.setValue(Hive::CurrentUser, kSub, RegValue::string("Multi", platform::REG_MULTI_SZ, "a"));
    f.reg.setValue(Hive::CurrentUser, kSub, RegValue::binary("Q", {1, 2, 3, 4, 5, 6, 7, 8}, platform::REG_QWORD));
    f.reg.setValue(Hive::CurrentUser, kSub, RegValue::binary("Empty", {}));
    f.reg.setValue(Hive::CurrentUser, kSub, RegValue::string("Blank", platform::REG_SZ, ""));
    f.reg.createKey(Hive::CurrentUser, std::string(kSub) + "\\b\\deep");
    f.reg.createKey(Hive::CurrentUser, std::string(kSub) + "\\A");
    f.reg.setValue(Hive::CurrentUser, std::string(kSub) + "\\A", RegValue::binary("Data", {10, 0, 255}));
    std::vector<std::uint8_t> big(5000);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
    f.reg.setValue(Hive::CurrentUser, std::string(kSub) + "\\b\\deep", RegValue::binary("Big", big));

    ASSERT_TRUE(ExportRegistryTree(f.access, kKey, f.file));
    std::string bigText;
    for (std::size_t i = 0; i < big.size(); ++i) bigText += (i ? "," : "") + std::to_string(big[i]);
    EXPECT_EQ(readFile(f.file), "\\\r\n\"Mode\"= sz:on\r\n\"Count\"= dw:1\r\n\"\"= sz:d\xE9" "f\r\n"
                                "\"Path\"=esz:%USERPROFILE%\\x\r\n\"All\"= dw:-1\r\n\"Empty\"=bin:\r\n"
                                "\"Blank\"= sz:\r\n\\A\r\n\"Data\"=bin:10,0,255\r\n\\b\r\n\\b\\deep\r\n"
                                "\"Big\"=bin:" + bigText + "\r\n");

    // Import into a key holding other things leaves exactly the file's tree.
    f.reg.setValue(Hive::CurrentUser, kSub, RegValue::string("Later", platform::REG_SZ, "x"));
    f.reg.createKey(Hive::CurrentUser, std::string(kSub) + "\\NewRule");
    ASSERT_TRUE(ImportRegistryTree(f.access, kKey, f.file));
    EXPECT_FALSE(f.reg.value(Hive::CurrentUser, kSub, "Later"));
    EXPECT_FALSE(f.reg.value(Hive::CurrentUser, kSub, "Multi"));
    EXPECT_FALSE(f.reg.value(Hive::CurrentUser, kSub, "Q"));
    EXPECT_EQ(f.reg.subkeys(Hive::CurrentUser, kSub), (std::vector<std::string>{"A", "b"}));
    EXPECT_EQ(f.reg.value(Hive::CurrentUser, kSub, "All")->dwordValue(), 0xFFFFFFFFu);
    EXPECT_EQ(f.reg.value(Hive::CurrentUser, kSub, "")->text(), "d\xC3\xA9" "f");
    auto blank = f.reg.value(Hive::CurrentUser, kSub, "Blank");
    EXPECT_EQ(blank->type, platform::REG_SZ);
    EXPECT_TRUE(blank->data.empty());
    EXPECT_EQ(f.reg.value(Hive::CurrentUser, kSub, "Empty")->type, platform::REG_BINARY);
    EXPECT_EQ(f.reg.value(Hive::CurrentUser, std::string(kSub) + "\\b\\deep", "Big")->data, big);
    EXPECT_EQ(f.reg.value(Hive::CurrentUser, kSub, "Path")->type, platform::REG_EXPAND_SZ);

    // Exporting again gives the same bytes (strings now stored without a zero).
    const std::string first = readFile(f.file);
    ASSERT_TRUE(ExportRegistryTree(f.access, kKey, f.file));
    EXPECT_EQ(readFile(f.file), first);
}

TEST(RegistryTextFormat, AnEmptyKeyIsOneLineAndUnknownTypesAreSkipped) {
    Fixture f;
    f.reg.createKey(Hive::CurrentUser, kSub);
    ASSERT_TRUE(ExportRegistryTree(f.access, kKey, f.file));
    EXPECT_EQ(readFile(f.file), "\\\r\n");

    writeFile(f.file, "\\\r\n\"a\"=qwd:5\r\n\"b=c\"= sz:x\r\n\"n\"= dw: 42\r\n\r\n\"after\"= sz:gone\r\n");
    ASSERT_TRUE(ImportRegistryTree(f.access, kKey, f.file));
    auto values = f.reg.values(Hive::CurrentUser, kSub);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].name, "n");
    EXPECT_EQ(values[0].dwordValue(), 42u);
}

TEST(RegistryTextFormat, ABadFileChangesNothing) {
    Fixture f;
    f.reg.createKey(Hive::CurrentUser, std::string(kSub) + "\\Keep");
    f.reg.setValue(Hive::CurrentUser, kSub, RegValue::dword("Old", 7));
    const auto before = f.reg.values(Hive::CurrentUser, kSub);
    const std::vector<std::string> bad = {
        "\\\r\n\"a\"= sz:cut off",                // truncated: no line end
        "\\\r\n\"a\"= dw:4294967296\r\n",          // out of range
        "\\\r\n\"a\"= dw:twelve\r\n",
        "\\\r\n\"a\"=bin:1,256\r\n",
        "\\\r\n\"a\"=bin:1,,2\r\n",
        "\\\r\nno equals sign\r\n",
        "\"a\"= sz:before any key\r\n\\\r\n",
        "",
    };
    for (const auto& text : bad) {
        writeFile(f.file, text);
        EXPECT_FALSE(ImportRegistryTree(f.access, kKey, f.file)) << text;
        EXPECT_EQ(f.reg.values(Hive::CurrentUser, kSub), before) << text;
        EXPECT_EQ(f.reg.subkeys(Hive::CurrentUser, kSub), (std::vector<std::string>{"Keep"})) << text;
    }
    std::string huge = "\\\r\n\"a\"=bin:0";
    for (int i = 0; i < 32768; ++i) huge += ",1";
    writeFile(f.file, huge + "\r\n");
    EXPECT_FALSE(ImportRegistryTree(f.access, kKey, f.file));
    EXPECT_FALSE(ImportRegistryTree(f.access, kKey, (f.dir / "missing.tmp").string()));
    EXPECT_EQ(f.reg.values(Hive::CurrentUser, kSub), before);

    EXPECT_FALSE(ExportRegistryTree(f.access, "HKEY_CURRENT_USER\\Software\\", f.file));
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0].text, "Incorrect Format:\n\nHKEY_CURRENT_USER\\Software\\");
}

TEST(RegistryTextFormat, StringsWithLineBreaksComeBackWhole) {
    Fixture f;
    const std::string sub = std::string(kSub) + "\\00000000";
    f.reg.createKey(Hive::CurrentUser, sub);
    const std::string text = "Regards,\r\n\r\nOwner\r\nPhone = 555\r\n";
    f.reg.setValue(Hive::CurrentUser, sub, RegValue::string("text", platform::REG_SZ, text));
    f.reg.setValue(Hive::CurrentUser, sub, RegValue::dword("type", 1));
    f.reg.createKey(Hive::CurrentUser, std::string(kSub) + "\\00000001");
    ASSERT_TRUE(ExportRegistryTree(f.access, kKey, f.file));
    // Written as it stands, line breaks and all.
    EXPECT_EQ(readFile(f.file), "\\\r\n\\00000000\r\n\"text\"= sz:" + text + "\r\n\"type\"= dw:1\r\n\\00000001\r\n");
    f.reg.deleteKey(Hive::CurrentUser, std::string(kSub) + "\\00000001");
    ASSERT_TRUE(ImportRegistryTree(f.access, kKey, f.file));
    EXPECT_EQ(f.reg.value(Hive::CurrentUser, sub, "text")->text(), text);
    EXPECT_EQ(f.reg.value(Hive::CurrentUser, sub, "type")->dwordValue(), 1u);
    EXPECT_TRUE(f.reg.keyExists(Hive::CurrentUser, std::string(kSub) + "\\00000001"));
}

TEST(RegistryTextFormat, TheFiveLineExample) {
    Fixture f;
    f.reg.createKey(Hive::CurrentUser, kSub);
    f.reg.setValue(Hive::CurrentUser, kSub, RegValue::string("Mode", platform::REG_SZ, "on"));
    f.reg.setValue(Hive::CurrentUser, kSub, RegValue::dword("Count", 1));
    f.reg.createKey(Hive::CurrentUser, std::string(kSub) + "\\Sub");
    f.reg.setValue(Hive::CurrentUser, std::string(kSub) + "\\Sub", RegValue::binary("Data", {0x0A, 0x00, 0xFF}));
    ASSERT_TRUE(ExportRegistryTree(f.access, kKey, f.file));
    EXPECT_EQ(readFile(f.file), "\\\r\n\"Mode\"= sz:on\r\n\"Count\"= dw:1\r\n\\Sub\r\n\"Data\"=bin:10,0,255\r\n");
}

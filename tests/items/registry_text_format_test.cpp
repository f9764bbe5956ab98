#include <gtest/gtest.h>

#include <unistd.h>

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

TEST(RegistryTextFormat, StringsWithLineBreaksComeBackWholeWhateverTheirLinesLookLike) {
    Fixture f;
    const std::string sub = std::string(kSub) + "\\00000000";
    f.reg.createKey(Hive::CurrentUser, sub);
    const std::vector<std::string> texts = {
        "Regards,\r\n\r\nOwner\r\nPhone = 555\r\n",
        "Files are on\r\n\\\\server\\share\r\n\\Sub",  // lines that look like key lines
        "a\r\n\"x\"= sz:y\r\n\"n\"= dw:1\r\n\"\"= nl:7",      // and like value lines
        "\r\n",
        "\r\n\r\n\r\n",
        "\\\r\n\\",
        "lone\ncr\rand\r\r\nmix\n\r\n",
        "first\r\n\r\n",
    };
    for (const auto& text : texts) {
        f.reg.setValue(Hive::CurrentUser, sub, RegValue::string("text", platform::REG_SZ, text));
        f.reg.setValue(Hive::CurrentUser, sub, RegValue::string("path", platform::REG_EXPAND_SZ, text + "%x%"));
        f.reg.setValue(Hive::CurrentUser, sub, RegValue::dword("type", 1));
        f.reg.createKey(Hive::CurrentUser, std::string(kSub) + "\\00000001");
        ASSERT_TRUE(ExportRegistryTree(f.access, kKey, f.file));
        f.reg.deleteKey(Hive::CurrentUser, std::string(kSub) + "\\00000001");
        f.reg.setValue(Hive::CurrentUser, sub, RegValue::string("text", platform::REG_SZ, "changed"));
        ASSERT_TRUE(ImportRegistryTree(f.access, kKey, f.file)) << text;
        EXPECT_EQ(f.reg.value(Hive::CurrentUser, sub, "text")->text(), text);
        EXPECT_EQ(f.reg.value(Hive::CurrentUser, sub, "path")->text(), text + "%x%");
        EXPECT_EQ(f.reg.value(Hive::CurrentUser, sub, "type")->dwordValue(), 1u) << text;
        EXPECT_EQ(f.reg.values(Hive::CurrentUser, sub).size(), 3u) << text;
        EXPECT_EQ(f.reg.subkeys(Hive::CurrentUser, kSub), (std::vector<std::string>{"00000000", "00000001"})) << text;
    }
    // The line count stands before the value, in a line that readers
    // without it skip as a value of an unknown type.
    f.reg.deleteKey(Hive::CurrentUser, std::string(kSub) + "\\00000001");
    f.reg.deleteValue(Hive::CurrentUser, sub, "path");
    f.reg.setValue(Hive::CurrentUser, sub, RegValue::string("text", platform::REG_SZ, "Files:\r\n\\\\server\\share"));
    ASSERT_TRUE(ExportRegistryTree(f.access, kKey, f.file));
    EXPECT_EQ(readFile(f.file), "\\\r\n\\00000000\r\n\"\"= nl:1\r\n\"text\"= sz:Files:\r\n\\\\server\\share\r\n"
                                "\"type\"= dw:1\r\n");
}

TEST(RegistryTextFormat, FilesOfEarlierVersionsReadAsTheyAlwaysDid) {
    Fixture f;
    const std::string sub = std::string(kSub) + "\\00000000";
    // Strings with line breaks, written without a line count.
    writeFile(f.file, "\\\r\n\\00000000\r\n\"text\"= sz:Regards,\r\n\r\nOwner\r\nPhone = 555\r\n\r\n"
                      "\"type\"= dw:1\r\n\"html\"=esz:<p>\r\n</p>\r\n\\00000001\r\n\"b\"=bin:1,2\r\n");
    ASSERT_TRUE(ImportRegistryTree(f.access, kKey, f.file));
    EXPECT_EQ(f.reg.value(Hive::CurrentUser, sub, "text")->text(), "Regards,\r\n\r\nOwner\r\nPhone = 555\r\n");
    EXPECT_EQ(f.reg.value(Hive::CurrentUser, sub, "type")->dwordValue(), 1u);
    EXPECT_EQ(f.reg.value(Hive::CurrentUser, sub, "html")->text(), "<p>\r\n</p>");
    EXPECT_EQ(f.reg.value(Hive::CurrentUser, sub, "html")->type, platform::REG_EXPAND_SZ);
    EXPECT_EQ(f.reg.value(Hive::CurrentUser, std::string(kSub) + "\\00000001", "b")->data,
              (std::vector<std::uint8_t>{1, 2}));

    // A count that runs past the end of the file, or stands before no value, is refused.
    for (const std::string bad : {"\\\r\n\"\"= nl:2\r\n\"a\"= sz:x\r\ny\r\n", "\\\r\n\"\"= nl:1\r\n\\Sub\r\nx\r\n",
                                  "\\\r\n\"\"= nl:0\r\n\"a\"= sz:x\r\n", "\\\r\n\"\"= nl:x\r\n\"a\"= sz:x\r\n"}) {
        writeFile(f.file, bad);
        EXPECT_FALSE(ImportRegistryTree(f.access, kKey, f.file)) << bad;
    }
}

TEST(RegistryTextFormat, ManyContinuationLinesReadInLinearTime) {
    Fixture f;
    // Dies, failing the test, if the import takes anywhere near quadratic time.
    alarm(60);
    std::string text = "\\\r\n\"sig\"= sz:start";
    std::string expected = "start";
    for (int i = 0; i < 200000; ++i) {
        const std::string line = "line " + std::to_string(i) + " of a long signature";
        text += "\r\n" + line;
        expected += "\r\n" + line;
    }
    writeFile(f.file, text + "\r\n\"after\"= dw:5\r\n");
    ASSERT_TRUE(ImportRegistryTree(f.access, kKey, f.file));
    EXPECT_EQ(f.reg.value(Hive::CurrentUser, kSub, "sig")->text(), expected);
    EXPECT_EQ(f.reg.value(Hive::CurrentUser, kSub, "after")->dwordValue(), 5u);
    // The same string, counted, as the export writes it now.
    ASSERT_TRUE(ExportRegistryTree(f.access, kKey, f.file));
    ASSERT_TRUE(ImportRegistryTree(f.access, kKey, f.file));
    EXPECT_EQ(f.reg.value(Hive::CurrentUser, kSub, "sig")->text(), expected);
    alarm(0);
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

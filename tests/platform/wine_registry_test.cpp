#include <gtest/gtest.h>

#include <filesystem>

#include "platform/WineRegistry.h"
#include "platform/WineRegistryFile.h"
#include "platform/WineRegistryFormat.h"
#include "support/TestSupport.h"

using namespace platform;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;
namespace fs = std::filesystem;

namespace {

// A user.reg as Wine writes it, with every kind of line and value.
const std::string kUserReg =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Control Panel\\\\Desktop] 1700000000\n"
    "#time=1da0b1c2d3e4f50\n"
    "\"DragFullWindows\"=\"0\"\n"
    "\"Path\"=str(2):\"%USERPROFILE%\\\\AppData\"\n"
    "\"List\"=str(7):\"one\\0two\\0\"\n"
    "\"Bin\"=hex:00,01,ff\n"
    "\"Count\"=dword:ffffffff\n"
    "\"Quad\"=hex(b):01,00,00,00,00,00,00,00\n"
    "\"NoZero\"=hex(1):41,00\n"
    "@=\"default \\\"quoted\\\" back\\\\slash\\nline\\ttab\"\n"
    "\"Caf\\xe9\"=\"\\x20ac \\x00e9f\"\n"
    "\n"
    "[Software\\\\Wine] 1700000001\n"
    "#time=1da0b1c2d3e4f51\n"
    "#class=\"custom\"\n"
    "\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\n"
    "  16,17,18,19,1a,1b,1c,1d,1e,1f\n"
    "\n"
    "[Software\\\\Wine\\\\Sub]\n"
    "\"A\"=\"x\"\n";

struct Prefix {
    TempDir dir;
    std::string userReg = (dir / "user.reg").string();
};

}  // namespace

TEST(WineRegistry, ReadsEveryValueKindAndWritesAnUnchangedFileBackByteForByte) {
    Prefix p;
    writeFile(p.userReg, kUserReg);
    {
        WineRegistry reg(p.dir.str());
        const std::string desk = "Control Panel\\Desktop";
        EXPECT_EQ(reg.value(Hive::CurrentUser, desk, "DragFullWindows")->text(), "0");
        auto path = reg.value(Hive::CurrentUser, desk, "path");  // any case
        ASSERT_TRUE(path);
        EXPECT_EQ(path->name, "Path");
        EXPECT_EQ(path->type, REG_EXPAND_SZ);
        EXPECT_EQ(path->text(), "%USERPROFILE%\\AppData");
        auto list = reg.value(Hive::CurrentUser, desk, "List");
        EXPECT_EQ(list->type, REG_MULTI_SZ);
        EXPECT_EQ(list->data, utf8ToUtf16le(std::string("one\0two\0\0", 9)));
        EXPECT_EQ(reg.value(Hive::CurrentUser, desk, "Bin")->data, (std::vector<std::uint8_t>{0, 1, 255}));
        EXPECT_EQ(reg.value(Hive::CurrentUser, desk, "Count")->dwordValue(), 0xFFFFFFFFu);
        EXPECT_EQ(reg.value(Hive::CurrentUser, desk, "Quad")->type, REG_QWORD);
        auto noZero = reg.value(Hive::CurrentUser, desk, "NoZero");
        EXPECT_EQ(noZero->type, REG_SZ);
        EXPECT_EQ(noZero->data, (std::vector<std::uint8_t>{0x41, 0}));
        EXPECT_EQ(reg.value(Hive::CurrentUser, desk, "")->text(), "default \"quoted\" back\\slash\nline\ttab");
        EXPECT_EQ(reg.value(Hive::CurrentUser, desk, "CAF\xC3\x89")->text(), "\xE2\x82\xAC \xC3\xA9" "f");
        auto longValue = reg.value(Hive::CurrentUser, "SOFTWARE\\wine", "Long");
        ASSERT_TRUE(longValue);
        EXPECT_EQ(longValue->data.size(), 32u);
        EXPECT_EQ(longValue->data[31], 0x1f);
        std::vector<std::string> names;
        for (const auto& v : reg.values(Hive::CurrentUser, desk)) names.push_back(v.name);
        EXPECT_EQ(names, (std::vector<std::string>{"DragFullWindows", "Path", "List", "Bin", "Count", "Quad", "NoZero",
                                                   "", "Caf\xC3\xA9"}));
        EXPECT_TRUE(reg.keyExists(Hive::CurrentUser, "software"));  // a key with no block of its own
        EXPECT_EQ(reg.subkeys(Hive::CurrentUser, "Software\\Wine"), (std::vector<std::string>{"Sub"}));
        EXPECT_FALSE(reg.keyExists(Hive::LocalMachine, "Software"));
        EXPECT_EQ(reg.setValue(Hive::Users, "x", RegValue::dword("a", 1)), kRegAccessDenied);
        EXPECT_TRUE(reg.flush());
    }
    EXPECT_EQ(readFile(p.userReg), kUserReg);
    // The text made from the parsed file is the file itself.
    WineRegistryFile parsed;
    std::string error;
    ASSERT_TRUE(parsed.parse(kUserReg, &error)) << error;
    EXPECT_EQ(parsed.text(), kUserReg);
    ASSERT_TRUE(parsed.parse(kUserReg.substr(0, kUserReg.size() - 1), &error));  // no final line end
    EXPECT_EQ(parsed.text(), kUserReg.substr(0, kUserReg.size() - 1));
}

TEST(WineRegistry, AnEditChangesOnlyItsKeyAndKeepsWindowsSemantics) {
    Prefix p;
    writeFile(p.userReg, kUserReg);
    {
        WineRegistry reg(p.dir.str());
        reg.setClock([] { return 133000000000000000ULL; });
        ASSERT_EQ(reg.setValue(Hive::CurrentUser, "software\\WINE", RegValue::dword("long", 7)), kRegOk);
        ASSERT_EQ(reg.setValue(Hive::CurrentUser, "Software\\Wine", RegValue::string("New", REG_SZ, "v")), kRegOk);
        ASSERT_EQ(reg.createKey(Hive::CurrentUser, "Software\\Wine\\alpha\\Deep"), kRegOk);
        ASSERT_EQ(reg.createKey(Hive::CurrentUser, "Software\\Wine\\Beta"), kRegOk);
        EXPECT_EQ(reg.subkeys(Hive::CurrentUser, "Software\\Wine"), (std::vector<std::string>{"alpha", "Beta", "Sub"}));
        std::vector<std::string> names;
        for (const auto& v : reg.values(Hive::CurrentUser, "Software\\Wine")) names.push_back(v.name);
        EXPECT_EQ(names, (std::vector<std::string>{"Long", "New"}));  // replaced value keeps name and place
        EXPECT_EQ(reg.deleteKey(Hive::CurrentUser, "Software\\Wine\\alpha"), kRegKeyHasSubkeys);
        EXPECT_EQ(reg.deleteKey(Hive::CurrentUser, "Software\\Wine\\Sub"), kRegOk);
        EXPECT_EQ(reg.deleteValue(Hive::CurrentUser, "Software\\Wine", "missing"), kRegNotFound);
        ASSERT_TRUE(reg.flush()) << reg.lastError();
    }
    const std::string text = readFile(p.userReg);
    // Everything up to the edited key is untouched.
    const std::string untouched = kUserReg.substr(0, kUserReg.find("[Software\\\\Wine]"));
    EXPECT_EQ(text.substr(0, untouched.size()), untouched);
    EXPECT_NE(text.find("\"Long\"=dword:00000007\n\"New\"=\"v\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("#class=\"custom\"\n"), std::string::npos);
    EXPECT_EQ(text.find("[Software\\\\Wine\\\\Sub]"), std::string::npos);
    EXPECT_LT(text.find("[Software\\\\Wine\\\\alpha\\\\Deep]"), text.find("[Software\\\\Wine\\\\Beta]"));
    WineRegistry again(p.dir.str());
    EXPECT_EQ(again.value(Hive::CurrentUser, "Software\\Wine", "Long")->dwordValue(), 7u);
    EXPECT_TRUE(again.keyExists(Hive::CurrentUser, "Software\\Wine\\Alpha\\deep"));
    EXPECT_EQ(testing_support::namesIn(p.dir.path()), (std::vector<std::string>{"user.reg", "user.reg.lock"}));
}

TEST(WineRegistry, LongBinaryWrapsWhereWineWrapsIt) {
    std::vector<std::uint8_t> bytes(40);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i);
    // "Bin"=hex: takes 10 columns; Wine breaks once a line passes 76.
    EXPECT_EQ(winereg::formatValue(RegValue::binary("Bin", bytes)),
              "\"Bin\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\n"
              "  17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27\n");
    EXPECT_EQ(winereg::formatValue(RegValue::dword("D", 10)), "\"D\"=dword:0000000a\n");
    EXPECT_EQ(winereg::formatValue(RegValue::string("", REG_EXPAND_SZ, "%a%")), "@=str(2):\"%a%\"\n");
    EXPECT_EQ(winereg::formatValue(RegValue::binary("E", {}, REG_NONE)), "\"E\"=hex(0):\n");
}

TEST(WineRegistry, ADamagedFileIsNamedAndNeverRewritten) {
    Prefix p;
    const std::string damaged = kUserReg + "\"Bad\"=hex:0g,zz\n";
    writeFile(p.userReg, damaged);
    {
        WineRegistry reg(p.dir.str());
        EXPECT_FALSE(reg.keyExists(Hive::CurrentUser, "Software\\Wine"));
        EXPECT_NE(reg.lastError().find(p.userReg), std::string::npos) << reg.lastError();
        EXPECT_NE(reg.lastError().find("line 26"), std::string::npos) << reg.lastError();
        EXPECT_EQ(reg.setValue(Hive::CurrentUser, "Software", RegValue::dword("x", 1)), kRegBadFile);
        EXPECT_EQ(reg.createKey(Hive::CurrentUser, "Software\\New"), kRegBadFile);
        // The other hive still works.
        EXPECT_EQ(reg.createKey(Hive::LocalMachine, "Software\\Tarnhold"), kRegOk);
        reg.flush();
    }
    EXPECT_EQ(readFile(p.userReg), damaged);
    EXPECT_NE(readFile(p.dir / "system.reg").find("WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n"),
              std::string::npos);
}

TEST(WineRegistry, ChangesOfTwoWritersAreBothKept) {
    Prefix p;
    writeFile(p.userReg, kUserReg);
    WineRegistry first(p.dir.str());
    ASSERT_EQ(first.setValue(Hive::CurrentUser, "Software\\Wine", RegValue::dword("First", 1)), kRegOk);
    {
        WineRegistry second(p.dir.str());
        ASSERT_EQ(second.setValue(Hive::CurrentUser, "Software\\Wine", RegValue::dword("Second", 2)), kRegOk);
        ASSERT_TRUE(second.flush());
    }
    ASSERT_TRUE(first.flush()) << first.lastError();
    WineRegistry reader(p.dir.str());
    EXPECT_EQ(reader.value(Hive::CurrentUser, "Software\\Wine", "First")->dwordValue(), 1u);
    EXPECT_EQ(reader.value(Hive::CurrentUser, "Software\\Wine", "Second")->dwordValue(), 2u);
    EXPECT_EQ(reader.value(Hive::CurrentUser, "Software\\Wine\\Sub", "A")->text(), "x");
}

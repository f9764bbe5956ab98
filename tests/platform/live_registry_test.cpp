// The registry beside a running Wine: reads through `reg export` files,
// writes refused, checks just before the replace, strings stored the way
// the registry API stores them.

#include <gtest/gtest.h>

#include "platform/AtomicFile.h"
#include "platform/RegeditFile.h"
#include "platform/ScriptedWineServer.h"
#include "platform/WineRegistry.h"
#include "support/TestSupport.h"

using namespace platform;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

// UTF-16LE with its mark and CR LF, as `wine reg export` writes it.
std::string exportFile(const std::u16string& text) {
    std::string bytes = "\xff\xfe";
    for (char16_t c : text) {
        if (c == u'\n') {
            bytes += std::string("\r\0", 2);
        }
        bytes += static_cast<char>(c & 0xff);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

const std::u16string kSoftwareExport =
    u"Windows Registry Editor Version 5.00\n"
    u"\n"
    u"[HKEY_CURRENT_USER\\Software\\Client]\n"
    u"@=\"the default\"\n"
    u"\"Name\"=\"second rule\"\n"
    u"\"Quoted\"=\"a \\\"b\\\" C:\\\\x\"\n"
    u"\"Accents\"=\"été €\"\n"
    u"\"Empty\"=\"\"\n"
    u"\"Flags\"=dword:ffffffff\n"
    u"\"Bytes\"=hex:01,02,\\\n"
    u"  03\n"
    u"\"NoBytes\"=hex:\n"
    u"\"Path\"=hex(2):25,00,41,00,25,00,00,00\n"
    u"\"List\"=hex(7):61,00,00,00,00,00\n"
    u"\"Quad\"=hex(b):88,77,66,55,44,33,22,11\n"
    u"\n"
    u"[HKEY_CURRENT_USER\\Software\\Client\\Sub]\n"
    u"\"Live\"=\"only in Wine's memory\"\n"
    u"\n";

const std::string kUserReg =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Software\\\\Client] 1700000000\n"
    "#time=1da0b1c2d3e4f50\n"
    "\"Name\"=\"on disk\"\n";

std::vector<std::uint8_t> utf16z(const std::u16string& s) {
    std::vector<std::uint8_t> out;
    for (char16_t c : s) {
        out.push_back(static_cast<std::uint8_t>(c & 0xff));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    out.insert(out.end(), {0, 0});
    return out;
}

struct LivePrefix {
    LivePrefix() {
        writeFile(userReg, kUserReg);
        wine.exports["HKEY_CURRENT_USER\\Software\\Client"] = exportFile(kSoftwareExport);
    }
    TempDir dir;
    std::string userReg = (dir / "user.reg").string();
    ScriptedWineServer wine;
};

}  // namespace

TEST(RegeditFile, ReadsEveryKindOfValueWineExportsWithTerminatedStrings) {
    std::vector<regedit::Key> keys;
    std::string error;
    ASSERT_TRUE(regedit::parse(exportFile(kSoftwareExport), &keys, &error)) << error;
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].path, "HKEY_CURRENT_USER\\Software\\Client");
    const auto& v = keys[0].values;
    ASSERT_EQ(v.size(), 11u);
    EXPECT_EQ(v[0].name, "");
    EXPECT_EQ(v[0].text(), "the default");
    EXPECT_EQ(v[1].data, utf16z(u"second rule"));  // with its terminator
    EXPECT_EQ(v[2].text(), "a \"b\" C:\\x");
    EXPECT_EQ(v[3].text(), "été €");
    EXPECT_EQ(v[4].data, utf16z(u""));
    EXPECT_EQ(v[5].type, REG_DWORD);
    EXPECT_EQ(v[5].dwordValue(), 0xffffffffu);
    EXPECT_EQ(v[6].data, (std::vector<std::uint8_t>{1, 2, 3}));  // continued line
    EXPECT_TRUE(v[7].data.empty());
    EXPECT_EQ(v[8].type, REG_EXPAND_SZ);
    EXPECT_EQ(v[8].text(), "%A%");
    EXPECT_EQ(v[9].type, REG_MULTI_SZ);
    EXPECT_EQ(v[10].type, REG_QWORD);
    EXPECT_EQ(v[10].data.size(), 8u);

    EXPECT_FALSE(regedit::parse(exportFile(u"REGEDIT4\n\n[HKEY_CURRENT_USER\\X]\n"), &keys, &error));
    EXPECT_FALSE(regedit::parse(exportFile(u"Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\X]\n"
                                           u"\"A\"=hex:zz\n"), &keys, &error));
    EXPECT_NE(error.find("line 4"), std::string::npos) << error;
}

TEST(WineRegistry, WhileWineRunsReadsComeFromWineAndWritesAreRefusedUntilItStops) {
    LivePrefix p;
    p.wine.isRunning = true;
    {
        WineRegistry reg(p.dir.str(), &p.wine);
        EXPECT_EQ(reg.value(Hive::CurrentUser, "Software\\Client", "Name")->text(), "second rule");
        EXPECT_EQ(reg.value(Hive::CurrentUser, "software\\client\\SUB", "Live")->text(), "only in Wine's memory");
        EXPECT_FALSE(reg.keyExists(Hive::CurrentUser, "Software\\Other"));
        EXPECT_EQ(p.wine.exportedKeys,
                  (std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Client", "HKEY_CURRENT_USER\\Software\\Other"}));
        EXPECT_EQ(reg.liveReadProblem(Hive::CurrentUser), "");

        EXPECT_NE(reg.setValue(Hive::CurrentUser, "Software\\Client", RegValue::dword("New", 1)), kRegOk);
        EXPECT_NE(reg.deleteKey(Hive::CurrentUser, "Software\\Client\\Sub"), kRegOk);
        EXPECT_FALSE(reg.flush());
        EXPECT_NE(reg.lastError().find("Windows programs are running in the Wine prefix " + p.dir.str()),
                  std::string::npos) << reg.lastError();

        // Once Wine has gone, the files are the registry again.
        p.wine.isRunning = false;
        reg.reload();
        EXPECT_EQ(reg.value(Hive::CurrentUser, "Software\\Client", "Name")->text(), "on disk");
        EXPECT_EQ(reg.setValue(Hive::CurrentUser, "Software\\Client", RegValue::dword("New", 1)), kRegOk);
        EXPECT_TRUE(reg.flush()) << reg.lastError();
    }
    EXPECT_NE(readFile(p.userReg).find("\"New\"=dword:00000001"), std::string::npos);
}

TEST(WineRegistry, WhenWineCannotBeAskedTheFilesAreReadAndSaidToBeStale) {
    LivePrefix p;
    p.wine.isRunning = true;
    p.wine.canAsk = false;
    WineRegistry reg(p.dir.str(), &p.wine);
    EXPECT_EQ(reg.value(Hive::CurrentUser, "Software\\Client", "Name")->text(), "on disk");
    const std::string problem = reg.liveReadProblem(Hive::CurrentUser);
    EXPECT_NE(problem.find("could not be read through Wine (wine could not be started)"), std::string::npos) << problem;
    EXPECT_NE(problem.find("up to 30 seconds old"), std::string::npos);
    EXPECT_NE(reg.setValue(Hive::CurrentUser, "Software\\Client", RegValue::dword("New", 1)), kRegOk);
    EXPECT_FALSE(reg.flush());
    EXPECT_EQ(readFile(p.userReg), kUserReg);
}

TEST(WineRegistry, AWriteIsRefusedWhenWineStartsBeforeTheFileIsReplaced) {
    LivePrefix p;
    WineRegistry reg(p.dir.str(), &p.wine);
    ASSERT_EQ(reg.setValue(Hive::CurrentUser, "Software\\Client", RegValue::dword("New", 1)), kRegOk);
    // Wine starts after the first check, while the new file is being written.
    p.wine.onCheck = [&] {
        if (p.wine.checks >= 2) p.wine.isRunning = true;
    };
    EXPECT_FALSE(reg.flush());
    EXPECT_GE(p.wine.checks, 2);
    EXPECT_NE(reg.lastError().find("Wine"), std::string::npos) << reg.lastError();
    EXPECT_EQ(readFile(p.userReg), kUserReg);
    std::vector<std::string> left;  // no half-written file stays behind
    for (const auto& e : std::filesystem::directory_iterator(p.dir.path())) left.push_back(e.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"user.reg"});
}

TEST(WineRegistry, StringsGetTheirTerminatorAndNewKeysWinesLayout) {
    TempDir dir;
    writeFile(dir / "user.reg", kUserReg);
    {
        WineRegistry reg(dir.str());
        reg.setClock([] { return 0x1da0b1c2d3e4f5aULL; });
        // Written as a caller that did not count the terminator would write them.
        RegValue name = RegValue::string("Name", REG_SZ, "second rule", false);
        ASSERT_EQ(name.data.size(), 22u);
        ASSERT_EQ(reg.createKey(Hive::CurrentUser, "Software\\New"), kRegOk);
        ASSERT_EQ(reg.setValue(Hive::CurrentUser, "Software\\New", name), kRegOk);
        ASSERT_EQ(reg.setValue(Hive::CurrentUser, "Software\\New", RegValue::string("Empty", REG_SZ, "", false)),
                  kRegOk);
        EXPECT_EQ(reg.value(Hive::CurrentUser, "Software\\New", "Name")->data.size(), 24u);
        EXPECT_TRUE(reg.value(Hive::CurrentUser, "Software\\New", "Empty")->data.empty());
        ASSERT_TRUE(reg.flush()) << reg.lastError();
    }
    const std::string text = readFile(dir / "user.reg");
    const std::size_t block = text.find("[Software\\\\New]");
    ASSERT_NE(block, std::string::npos) << text;
    const std::string rest = text.substr(block);
    EXPECT_NE(rest.find("\n#time=1da0b1c2d3e4f5a\n\"Name\"=\"second rule\"\n"), std::string::npos) << rest;
    EXPECT_NE(rest.find("\"Empty\"=hex(1):\n"), std::string::npos) << rest;
}

TEST(WineRegistry, ALockHeldByAnotherWriterIsWaitedForWithALimit) {
    TempDir dir;
    writeFile(dir / "user.reg", kUserReg);
    WineRegistry reg(dir.str());
    reg.setLockWait(std::chrono::milliseconds(200));
    FileLock other(WineRegistry::lockFileFor(reg.hostFile(Hive::CurrentUser)));
    ASSERT_TRUE(other.locked());
    ASSERT_EQ(reg.setValue(Hive::CurrentUser, "Software\\Client", RegValue::dword("New", 1)), kRegOk);
    EXPECT_FALSE(reg.flush());
    EXPECT_NE(reg.lastError().find("lock"), std::string::npos) << reg.lastError();
    EXPECT_EQ(readFile(dir / "user.reg"), kUserReg);
}

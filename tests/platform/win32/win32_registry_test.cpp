// The Win32 backend against the registry of the system it runs on (under
// Wine, the test prefix's), inside a private key that every test removes
// again whatever its outcome.

#include <gtest/gtest.h>

#include "platform/win32/Win32Registry.h"

// After Registry.h: from here on REG_SZ and its kin are <windows.h>'s
// macros, of the same numbers as RegType's.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

using namespace platform;

namespace {

using Bytes = std::vector<std::uint8_t>;

std::wstring wide(const std::string& utf8) {
    const std::u16string units = utf8ToUtf16(utf8);
    return std::wstring(units.begin(), units.end());
}

std::string narrow(const std::wstring& text) { return utf16ToUtf8(std::u16string(text.begin(), text.end())); }

Bytes utf16z(const std::string& utf8) {
    Bytes bytes = utf8ToUtf16le(utf8);
    bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

bool underWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Straight through the API, past the class.
struct Raw {
    HKEY key = nullptr;
    explicit Raw(const std::string& path, REGSAM access = KEY_READ | KEY_SET_VALUE) {
        if (RegOpenKeyExW(HKEY_CURRENT_USER, wide(path).c_str(), 0, access, &key) != ERROR_SUCCESS) key = nullptr;
    }
    ~Raw() {
        if (key) RegCloseKey(key);
    }
    Raw(const Raw&) = delete;
    Raw& operator=(const Raw&) = delete;

    // `data` goes in as it is; a caller storing an unterminated string keeps
    // a non-zero character after it, or the API stretches the string over it.
    LONG set(const std::wstring& name, DWORD type, const BYTE* data, std::size_t size) const {
        return RegSetValueExW(key, name.c_str(), 0, type, data, static_cast<DWORD>(size));
    }
    LONG set(const std::wstring& name, DWORD type, const Bytes& data) const {
        Bytes guarded = data;
        guarded.insert(guarded.end(), {0xFF, 0xFF});
        return set(name, type, guarded.data(), data.size());
    }
    // Type and bytes as stored, or nothing.
    std::optional<std::pair<DWORD, Bytes>> get(const std::wstring& name) const {
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
        Bytes data(size + 2);
        if (RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
            return std::nullopt;
        data.resize(size);
        return std::make_pair(type, data);
    }
    std::vector<std::string> valueNames() const {
        std::vector<std::string> names;
        wchar_t name[16384];
        for (DWORD i = 0;; ++i) {
            DWORD length = 16384;
            if (RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            names.push_back(narrow(std::wstring(name, length)));
        }
        return names;
    }
};

std::vector<std::string> namesOf(const std::vector<RegValue>& values) {
    std::vector<std::string> names;
    for (const auto& v : values) names.push_back(v.name);
    return names;
}

class Win32RegistryTest : public testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, wide(base).c_str());  // left by a run that crashed
        ASSERT_EQ(reg.createKey(Hive::CurrentUser, base), kRegOk) << reg.lastError();
    }
    void TearDown() override {
        EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, wide(base).c_str()), ERROR_SUCCESS);
        HKEY gone = nullptr;
        EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, wide(base).c_str(), 0, KEY_READ, &gone), ERROR_FILE_NOT_FOUND);
    }
    std::string at(const std::string& subkey) const { return base + "\\" + subkey; }

    const std::string base = "Software\\Tarnhold-test-" + std::to_string(GetCurrentProcessId());
    Win32Registry reg;
};

}  // namespace

TEST_F(Win32RegistryTest, BehavesLikeTheWindowsRegistry) {
    const auto user = Hive::CurrentUser;
    const std::string client = at("Client");
    EXPECT_FALSE(reg.keyExists(user, client));
    EXPECT_EQ(reg.createKey(user, at("Client\\Rules")), kRegOk);  // with its missing parent
    EXPECT_TRUE(reg.keyExists(user, at("CLIENT")));
    EXPECT_TRUE(reg.keyExists(user, ""));
    EXPECT_EQ(reg.createKey(user, at("client\\RULES")), kRegOk);  // opening is success
    for (const std::string& bad : {at("Client\\\\Bad"), "\\" + client, client + "\\", std::string("Software\\\0x", 11)}) {
        EXPECT_EQ(reg.createKey(user, bad), kRegInvalidParameter) << bad;
        EXPECT_FALSE(reg.keyExists(user, bad)) << bad;
        EXPECT_EQ(reg.setValue(user, bad, RegValue::dword("a", 1)), kRegInvalidParameter) << bad;
        EXPECT_EQ(reg.deleteKey(user, bad), kRegInvalidParameter) << bad;
        EXPECT_EQ(reg.deleteValue(user, bad, "a"), kRegInvalidParameter) << bad;
    }
    EXPECT_EQ(reg.subkeys(user, client), (std::vector<std::string>{"Rules"}));
    // "_" sorts before the letters folded to lower case, after them folded to
    // upper case as Windows enumerates.
    for (const char* name : {"b", "Zz", "A", "_x"}) reg.createKey(user, client + "\\" + name);
    EXPECT_EQ(reg.subkeys(user, client), (std::vector<std::string>{"_x", "A", "b", "Rules", "Zz"}));
    EXPECT_TRUE(reg.subkeys(user, at("Missing")).empty());

    reg.setValue(user, client, RegValue::dword("Zeta", 1));
    reg.setValue(user, client, RegValue::string("alpha", REG_SZ, "x"));
    reg.setValue(user, client, RegValue::dword("Mid", 3));
    const auto before = namesOf(reg.values(user, client));
    EXPECT_EQ(reg.setValue(user, client, RegValue::dword("ZETA", 2)), kRegOk);  // replaces, keeps the name
    auto values = reg.values(user, client);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(namesOf(values), before);
    EXPECT_EQ(namesOf(values), Raw(client).valueNames());
    // The system's own order: as stored on Windows, Wine keeps values sorted.
    const std::vector<std::string> systemOrder =
        underWine() ? std::vector<std::string>{"alpha", "Mid", "Zeta"} : std::vector<std::string>{"Zeta", "alpha", "Mid"};
    EXPECT_EQ(namesOf(values), systemOrder);
    auto zeta = reg.value(user, client, "zeta");
    ASSERT_TRUE(zeta);
    EXPECT_EQ(zeta->name, "Zeta");
    EXPECT_EQ(zeta->dwordValue(), 2u);
    EXPECT_EQ(reg.value(user, client, "ALPHA")->text(), "x");

    EXPECT_EQ(reg.setValue(user, at("Nowhere"), RegValue::dword("a", 1)), kRegNotFound);
    EXPECT_NE(reg.lastError().find("HKEY_CURRENT_USER\\" + at("Nowhere")), std::string::npos) << reg.lastError();
    EXPECT_NE(reg.lastError().find("(error 2)"), std::string::npos) << reg.lastError();
    EXPECT_EQ(reg.deleteValue(user, client, "ALPHA"), kRegOk);
    EXPECT_FALSE(reg.value(user, client, "alpha"));
    EXPECT_EQ(reg.deleteValue(user, client, "alpha"), kRegNotFound);
    EXPECT_TRUE(reg.values(user, at("Missing")).empty());
    EXPECT_FALSE(reg.value(user, at("Missing"), "Zeta"));

    EXPECT_EQ(reg.deleteKey(user, client), kRegKeyHasSubkeys);
    EXPECT_TRUE(reg.keyExists(user, client + "\\Rules"));
    EXPECT_NE(reg.lastError().find("(error 1020)"), std::string::npos) << reg.lastError();
    EXPECT_EQ(reg.deleteKey(user, client + "\\a"), kRegOk);
    EXPECT_FALSE(reg.keyExists(user, client + "\\A"));
    EXPECT_EQ(reg.deleteKey(user, client + "\\a"), kRegNotFound);
    EXPECT_EQ(reg.deleteKey(user, ""), kRegAccessDenied);  // a hive's root cannot go
    EXPECT_FALSE(reg.keyExists(Hive::LocalMachine, base));  // hives are separate
    EXPECT_TRUE(reg.flush());
}

TEST_F(Win32RegistryTest, StoresValuesOfEveryTypeByteForByte) {
    const auto user = Hive::CurrentUser;
    Bytes big(5000);  // past the first read buffer
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7 + 1);
    const std::string longName(300, 'n');  // past the first name buffer
    struct Case {
        RegValue given;
        Bytes stored;
    };
    const std::vector<Case> cases = {
        {RegValue::string("Text", REG_SZ, "plain text"), utf16z("plain text")},
        {RegValue::string("Unterminated", REG_SZ, "abc", false), utf16z("abc")},  // gets its zero
        {RegValue::string("Empty", REG_SZ, "", false), {}},
        {RegValue::string("", REG_SZ, "the default"), utf16z("the default")},
        {RegValue::string("Path", REG_EXPAND_SZ, "%TEMP%\\x"), utf16z("%TEMP%\\x")},  // not expanded
        {RegValue::binary("NoBytes", {}), {}},
        {RegValue::binary("Big", big), big},
        {RegValue::dword("Count", 0xDEADBEEF), {0xEF, 0xBE, 0xAD, 0xDE}},
        {RegValue::binary("BigEndian", {0, 0, 0, 1}, REG_DWORD_BIG_ENDIAN), {0, 0, 0, 1}},
        {RegValue::binary("List", utf8ToUtf16le(std::string("one\0two\0\0", 9)), REG_MULTI_SZ),
         utf8ToUtf16le(std::string("one\0two\0\0", 9))},
        // A list without its final zero stays so: the API is not let stretch it.
        {RegValue::binary("OpenList", utf8ToUtf16le("ab"), REG_MULTI_SZ), utf8ToUtf16le("ab")},
        {RegValue::binary("Quad", {8, 7, 6, 5, 4, 3, 2, 1}, REG_QWORD), {8, 7, 6, 5, 4, 3, 2, 1}},
        {RegValue::binary("Odd", {1, 2, 3}, 0x12345678u), {1, 2, 3}},
        {RegValue::binary("Nothing", {9}, REG_NONE), {9}},
        {RegValue::string("with\\backslash", REG_SZ, "b"), utf16z("b")},
        {RegValue::binary(longName, {0x4c}), {0x4c}},
    };
    for (const auto& c : cases) ASSERT_EQ(reg.setValue(user, base, c.given), kRegOk) << c.given.name << reg.lastError();

    Raw raw(base);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.given.name);
        const RegValue expected{c.given.name, c.given.type, c.stored};
        EXPECT_EQ(reg.value(user, base, c.given.name), expected);
        const auto stored = raw.get(wide(c.given.name));
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->first, c.given.type);
        EXPECT_EQ(stored->second, c.stored);
    }
    const auto values = reg.values(user, base);
    EXPECT_EQ(namesOf(values), raw.valueNames());
    ASSERT_EQ(values.size(), cases.size());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.given.name);
        const auto it = std::find_if(values.begin(), values.end(), [&](const RegValue& v) { return v.name == c.given.name; });
        ASSERT_NE(it, values.end());
        EXPECT_EQ(it->type, c.given.type);
        EXPECT_EQ(it->data, c.stored);
    }
    // A value replaced by a longer one of another type reads back whole.
    Bytes bigger(9000, 0xAB);
    ASSERT_EQ(reg.setValue(user, base, RegValue::binary("COUNT", bigger, REG_BINARY)), kRegOk);
    EXPECT_EQ(reg.value(user, base, "Count"), (RegValue{"Count", REG_BINARY, bigger}));
}

TEST_F(Win32RegistryTest, NonAsciiNamesAndTextRoundTripExactly) {
    const auto user = Hive::CurrentUser;
    const std::string cyrillic = "\xD0\x9F\xD0\xBE\xD1\x87\xD1\x82\xD0\xB0";        // Почта
    const std::string cyrillicUpper = "\xD0\x9F\xD0\x9E\xD0\xA7\xD0\xA2\xD0\x90";   // ПОЧТА
    const std::string cjk = "\xE9\x82\xAE\xE4\xBB\xB6";                              // 邮件
    const std::string emoji = "\xF0\x9F\x93\xA7 Post";                               // U+1F4E7
    const std::string key = at(cyrillic + "\\" + cjk + "\\" + emoji);
    ASSERT_EQ(reg.createKey(user, key), kRegOk) << reg.lastError();
    EXPECT_TRUE(reg.keyExists(user, at(cyrillicUpper + "\\" + cjk + "\\" + emoji)));  // the system folds Cyrillic
    EXPECT_EQ(reg.subkeys(user, at(cyrillic)), (std::vector<std::string>{cjk}));
    EXPECT_EQ(reg.subkeys(user, at(cyrillic + "\\" + cjk)), (std::vector<std::string>{emoji}));
    // In code point order as nameLess compares; the system compares UTF-16
    // units, which puts a character past U+FFFF before U+E000..U+FFFF.
    const std::string fullwidthA = "\xEF\xBC\xA1";  // U+FF21
    ASSERT_EQ(reg.createKey(user, at(emoji)), kRegOk);
    ASSERT_EQ(reg.createKey(user, at(fullwidthA)), kRegOk);
    EXPECT_EQ(reg.subkeys(user, base), (std::vector<std::string>{cyrillic, fullwidthA, emoji}));

    const std::string text = cyrillic + " " + cjk + " \xF0\x9F\x98\x80 caf\xC3\xA9";
    ASSERT_EQ(reg.setValue(user, key, RegValue::string(cyrillic, REG_SZ, text)), kRegOk);
    ASSERT_EQ(reg.setValue(user, key, RegValue::string(cjk, REG_EXPAND_SZ, text)), kRegOk);
    ASSERT_EQ(reg.setValue(user, key, RegValue::string("\xF0\x9F\x98\x80", REG_SZ, emoji)), kRegOk);
    const Raw raw(key);
    const auto stored = raw.get(wide(cyrillic));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->second, utf16z(text));  // UTF-16 as given, nothing replaced by "?"
    EXPECT_EQ(raw.get(wide("\xF0\x9F\x98\x80"))->second, utf16z(emoji));
    auto upper = reg.value(user, key, cyrillicUpper);
    ASSERT_TRUE(upper);
    EXPECT_EQ(upper->name, cyrillic);  // the spelling it was stored with
    EXPECT_EQ(upper->text(), text);
    const auto values = reg.values(user, key);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(namesOf(values), raw.valueNames());
    for (const auto& v : values) {
        EXPECT_TRUE(v.name == cyrillic || v.name == cjk || v.name == "\xF0\x9F\x98\x80") << v.name;
        EXPECT_EQ(v.data, raw.get(wide(v.name))->second) << v.name;
    }
    EXPECT_EQ(reg.deleteValue(user, key, cyrillicUpper), kRegOk);
    EXPECT_FALSE(raw.get(wide(cyrillic)));
    EXPECT_EQ(reg.deleteKey(user, at(cyrillicUpper)), kRegKeyHasSubkeys);
}

TEST_F(Win32RegistryTest, ReadsWhatTheApiWroteAndTheOtherWayRound) {
    const auto user = Hive::CurrentUser;
    HKEY made = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, wide(at("Raw\\Inner")).c_str(), 0, nullptr, 0, KEY_READ, nullptr,
                              &made, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(made);
    EXPECT_TRUE(reg.keyExists(user, at("raw\\inner")));
    EXPECT_EQ(reg.subkeys(user, at("Raw")), (std::vector<std::string>{"Inner"}));

    const Raw raw(at("Raw"));
    const wchar_t unterminated[] = L"abX";  // stored as "ab": the X keeps the API from adding a zero
    ASSERT_EQ(raw.set(L"Open", REG_SZ, reinterpret_cast<const BYTE*>(unterminated), 4), ERROR_SUCCESS);
    const DWORD number = 0x01020304;
    ASSERT_EQ(raw.set(L"MiXed", REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4), ERROR_SUCCESS);
    Bytes big(10000);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i % 251);
    ASSERT_EQ(raw.set(L"Big", 0x40000000u, big), ERROR_SUCCESS);
    const std::wstring cjkName = L"\u540D\u524D";  // 名前
    ASSERT_EQ(raw.set(cjkName, REG_SZ, utf16z("\xE2\x82\xAC")), ERROR_SUCCESS);

    EXPECT_EQ(reg.value(user, at("Raw"), "Open"), (RegValue{"Open", REG_SZ, utf8ToUtf16le("ab")}));
    EXPECT_EQ(reg.value(user, at("Raw"), "Open")->text(), "ab");
    EXPECT_EQ(reg.value(user, at("Raw"), "mixed"), RegValue::dword("MiXed", 0x01020304));
    EXPECT_EQ(reg.value(user, at("Raw"), "Big"), (RegValue{"Big", 0x40000000u, big}));
    EXPECT_EQ(reg.value(user, at("Raw"), narrow(cjkName))->text(), "\xE2\x82\xAC");
    auto values = reg.values(user, at("Raw"));
    EXPECT_EQ(namesOf(values), raw.valueNames());
    ASSERT_EQ(values.size(), 4u);
    for (const auto& v : values) {
        const auto direct = raw.get(wide(v.name));
        ASSERT_TRUE(direct) << v.name;
        EXPECT_EQ(v.type, direct->first) << v.name;
        EXPECT_EQ(v.data, direct->second) << v.name;
    }

    ASSERT_EQ(reg.setValue(user, at("Raw"), RegValue::string("Written", REG_MULTI_SZ, std::string("a\0b\0", 4))), kRegOk);
    ASSERT_EQ(reg.setValue(user, at("Raw"), RegValue::binary("mixed", {5, 6})), kRegOk);
    EXPECT_EQ(raw.get(L"Written"), std::make_pair(DWORD{REG_MULTI_SZ}, utf16z(std::string("a\0b\0", 4))));
    EXPECT_EQ(raw.get(L"MIXED"), std::make_pair(DWORD{REG_BINARY}, Bytes{5, 6}));
    const auto names = raw.valueNames();
    EXPECT_NE(std::find(names.begin(), names.end(), "MiXed"), names.end());  // the stored spelling stays
    EXPECT_EQ(std::find(names.begin(), names.end(), "mixed"), names.end());

    ASSERT_EQ(reg.createKey(user, at("Raw\\Made\\Deeper")), kRegOk);
    HKEY opened = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, wide(at("Raw\\Made\\Deeper")).c_str(), 0, KEY_READ, &opened),
              ERROR_SUCCESS);
    RegCloseKey(opened);
    EXPECT_EQ(reg.deleteKey(user, at("Raw\\Made\\Deeper")), kRegOk);
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, wide(at("Raw\\Made\\Deeper")).c_str(), 0, KEY_READ, &opened),
              ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(reg.keyExists(user, at("Raw\\Made")));
}

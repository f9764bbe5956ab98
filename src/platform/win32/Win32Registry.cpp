#include "platform/win32/Win32Registry.h"

// After Registry.h: <windows.h> makes REG_SZ and its kin macros, so below
// they are the system's numbers, the same as RegType's.
#include <windows.h>

#include <algorithm>
#include <cstddef>

#include "platform/win32/WideText.h"

// The wide API throughout: string data then arrive as the UTF-16 the system
// stores, so a character the ANSI code page cannot hold reaches the layers
// above intact, for them to refuse, instead of the "?" the ANSI functions
// would put in its place.
//
// No KEY_WOW64_64KEY: a 64-bit program sees the 64-bit view without it, and
// plain RegDeleteKeyW stays usable (passing a view needs RegDeleteKeyExW).

namespace platform {

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the Win32 API's wide characters are UTF-16 units");
// The system's codes are handed on as they come.
static_assert(kRegNotFound == ERROR_FILE_NOT_FOUND && kRegAccessDenied == ERROR_ACCESS_DENIED &&
              kRegInvalidParameter == ERROR_INVALID_PARAMETER && kRegNoMoreItems == ERROR_NO_MORE_ITEMS &&
              kRegKeyHasSubkeys == ERROR_KEY_HAS_CHILDREN && kRegBadFile == ERROR_BADDB);

// A key name has at most 255 characters; a value name at most 16383.
constexpr std::size_t kKeyNameUnits = 256;
constexpr std::size_t kLargestNameUnits = 32768;
constexpr std::size_t kFirstDataBytes = 4096;
// A value that keeps growing while it is read is given up on after this.
constexpr int kReadAttempts = 64;

// Names converted as every registry backend converts them, not with
// platform::wide: MultiByteToWideChar makes fewer U+FFFD of malformed UTF-8
// than utf8ToUtf16 does, so such a name would stand for another key here
// than in the other backends.
std::wstring registryWide(const std::string& utf8) {
    const std::u16string units = utf8ToUtf16(utf8);
    return std::wstring(units.begin(), units.end());
}

std::string registryUtf8(const wchar_t* text, std::size_t length) {
    return utf16ToUtf8(std::u16string(text, text + length));
}

// A name the wide API can take: it ends at the first zero, so a name with a
// zero inside would silently name another key or value.
bool passable(const std::string& name) { return name.find('\0') == std::string::npos; }

// The path checked against the interface's rules; the system's own check is
// looser (Wine takes a doubled "\" without complaint).
bool validPath(const std::string& path) {
    std::vector<std::string> names;
    return splitKeyPath(path, &names) && passable(path);
}

HKEY rootOf(Hive hive) {
    switch (hive) {
    case Hive::ClassesRoot: return HKEY_CLASSES_ROOT;
    case Hive::CurrentUser: return HKEY_CURRENT_USER;
    case Hive::LocalMachine: return HKEY_LOCAL_MACHINE;
    case Hive::Users: return HKEY_USERS;
    case Hive::PerformanceData: return HKEY_PERFORMANCE_DATA;
    case Hive::CurrentConfig: return HKEY_CURRENT_CONFIG;
    case Hive::DynData: return HKEY_DYN_DATA;
    }
    return nullptr;
}

const char* hiveName(Hive hive) {
    switch (hive) {
    case Hive::ClassesRoot: return "HKEY_CLASSES_ROOT";
    case Hive::CurrentUser: return "HKEY_CURRENT_USER";
    case Hive::LocalMachine: return "HKEY_LOCAL_MACHINE";
    case Hive::Users: return "HKEY_USERS";
    case Hive::PerformanceData: return "HKEY_PERFORMANCE_DATA";
    case Hive::CurrentConfig: return "HKEY_CURRENT_CONFIG";
    case Hive::DynData: return "HKEY_DYN_DATA";
    }
    return "?";
}

// An open key, closed when it goes. The hive's own handle is only borrowed.
class Key {
public:
    Key() = default;
    ~Key() { release(); }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    HKEY get() const { return handle_; }
    void adopt(HKEY handle) {
        release();
        handle_ = handle;
        owned_ = true;
    }
    void borrow(HKEY root) {
        release();
        handle_ = root;
    }

private:
    void release() {
        if (owned_) RegCloseKey(handle_);
        handle_ = nullptr;
        owned_ = false;
    }

    HKEY handle_ = nullptr;
    bool owned_ = false;
};

long openKey(Hive hive, const std::string& path, REGSAM access, Key* key) {
    if (!validPath(path)) return kRegInvalidParameter;
    if (path.empty()) {
        key->borrow(rootOf(hive));
        return kRegOk;
    }
    HKEY handle = nullptr;
    const long rc = RegOpenKeyExW(rootOf(hive), registryWide(path).c_str(), 0, access, &handle);
    if (rc == ERROR_SUCCESS) key->adopt(handle);
    return rc;
}

long subkeyCount(HKEY key, DWORD* count) {
    return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, count, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr);
}

// Doubles a name buffer the API found short; false when it cannot grow.
bool growName(std::vector<wchar_t>& name) {
    if (name.size() >= kLargestNameUnits) return false;
    name.resize(std::min(name.size() * 2, kLargestNameUnits));
    return true;
}

// The spelling the value was created with: RegQueryValueExW matches any case
// but does not tell. Compared as the system compares names, by ordinal
// upper case; the name asked for when the value has gone meanwhile.
std::string storedName(HKEY key, const std::wstring& asked) {
    std::vector<wchar_t> name(kKeyNameUnits);
    for (DWORD index = 0;;) {
        DWORD length = static_cast<DWORD>(name.size());
        const long rc = RegEnumValueW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA && growName(name)) continue;
        if (rc != ERROR_SUCCESS) break;
        if (CompareStringOrdinal(name.data(), static_cast<int>(length), asked.data(),
                                 static_cast<int>(asked.size()), TRUE) == CSTR_EQUAL)
            return registryUtf8(name.data(), length);
        ++index;
    }
    return registryUtf8(asked.data(), asked.size());
}

}  // namespace

long Win32Registry::fail(long code, const std::string& what, Hive hive, const std::string& path) {
    // The system's words and its number, which tells a reason apart where
    // the words are vague; the number alone when the system has no words.
    const std::string number = "error " + std::to_string(code);
    const std::string words = systemErrorText(static_cast<unsigned long>(code));
    error_ = what + " " + hiveName(hive) + (path.empty() ? "" : "\\" + path) + ": " +
             (words == number ? number : words + " (" + number + ")");
    return code;
}

bool Win32Registry::keyExists(Hive hive, const std::string& path) {
    Key key;
    const long rc = openKey(hive, path, KEY_QUERY_VALUE, &key);
    // The system looks a key up before it checks access, so a refusal means
    // the key is there.
    if (rc == ERROR_ACCESS_DENIED) return true;
    if (rc != ERROR_SUCCESS) return false;
    DWORD count = 0;
    return !path.empty() || subkeyCount(key.get(), &count) == ERROR_SUCCESS;  // a hive this system has
}

long Win32Registry::createKey(Hive hive, const std::string& path) {
    if (!validPath(path)) return fail(kRegInvalidParameter, "Cannot create key", hive, path);
    long rc = kRegOk;
    if (path.empty()) {
        DWORD count = 0;
        rc = subkeyCount(rootOf(hive), &count);
    } else {
        // RegCreateKeyExW makes the missing parents too. Write access, as a
        // key is created to be written.
        HKEY handle = nullptr;
        rc = RegCreateKeyExW(rootOf(hive), registryWide(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             KEY_WRITE, nullptr, &handle, nullptr);
        if (rc == ERROR_SUCCESS) RegCloseKey(handle);
    }
    return rc == ERROR_SUCCESS ? kRegOk : fail(rc, "Cannot create key", hive, path);
}

std::vector<std::string> Win32Registry::subkeys(Hive hive, const std::string& path) {
    std::vector<std::string> names;
    Key key;
    long rc = openKey(hive, path, KEY_ENUMERATE_SUB_KEYS, &key);
    if (rc != ERROR_SUCCESS) {
        if (rc != ERROR_FILE_NOT_FOUND) fail(rc, "Cannot list the subkeys of", hive, path);
        return names;
    }
    std::vector<wchar_t> name(kKeyNameUnits);
    for (DWORD index = 0;;) {
        DWORD length = static_cast<DWORD>(name.size());
        rc = RegEnumKeyExW(key.get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA && growName(name)) continue;
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) {
            fail(rc, "Cannot list the subkeys of", hive, path);
            break;
        }
        names.push_back(registryUtf8(name.data(), length));
        ++index;
    }
    // Windows enumerates in upper-case order, Wine in lower-case order; the
    // interface promises nameLess order.
    std::stable_sort(names.begin(), names.end(), nameLess);
    return names;
}

std::vector<RegValue> Win32Registry::values(Hive hive, const std::string& path) {
    std::vector<RegValue> values;
    Key key;
    long rc = openKey(hive, path, KEY_QUERY_VALUE, &key);
    if (rc != ERROR_SUCCESS) {
        if (rc != ERROR_FILE_NOT_FOUND) fail(rc, "Cannot list the values of", hive, path);
        return values;
    }
    // Modest buffers that grow when the API says ERROR_MORE_DATA: sizes asked
    // for beforehand could be stale by the time a value is read anyway.
    std::vector<wchar_t> name(kKeyNameUnits);
    std::vector<BYTE> data(kFirstDataBytes);
    int attempts = 0;
    for (DWORD index = 0;;) {
        DWORD length = static_cast<DWORD>(name.size());
        DWORD size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        rc = RegEnumValueW(key.get(), index, name.data(), &length, nullptr, &type, data.data(), &size);
        if (rc == ERROR_MORE_DATA && ++attempts < kReadAttempts) {
            // A short data buffer is told the size it needs; a short name
            // buffer is not, so it doubles when the data did fit.
            if (size > data.size()) {
                data.resize(size);
                continue;
            }
            if (growName(name)) continue;
        }
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) {
            fail(rc, "Cannot list the values of", hive, path);
            break;
        }
        RegValue v;
        v.name = registryUtf8(name.data(), length);
        v.type = type;
        // Only `size` bytes: the API may write a terminator past a string
        // that was stored without one.
        v.data.assign(data.begin(), data.begin() + size);
        values.push_back(std::move(v));
        attempts = 0;
        ++index;
    }
    return values;
}

std::optional<RegValue> Win32Registry::value(Hive hive, const std::string& path, const std::string& name) {
    if (!passable(name)) {
        fail(kRegInvalidParameter, "Cannot read value \"" + name + "\" of", hive, path);
        return std::nullopt;
    }
    Key key;
    long rc = openKey(hive, path, KEY_QUERY_VALUE, &key);
    const std::wstring wname = registryWide(name);
    std::vector<BYTE> data(kFirstDataBytes);
    DWORD size = 0;
    DWORD type = 0;
    for (int attempt = 0; rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA; ++attempt) {
        size = static_cast<DWORD>(data.size());
        rc = RegQueryValueExW(key.get(), wname.c_str(), nullptr, &type, data.data(), &size);
        if (rc != ERROR_MORE_DATA || attempt == kReadAttempts) break;
        // The size it needs, or more room when it does not say.
        data.resize(size > data.size() ? size : data.size() * 2);
    }
    if (rc != ERROR_SUCCESS) {
        if (rc != ERROR_FILE_NOT_FOUND) fail(rc, "Cannot read value \"" + name + "\" of", hive, path);
        return std::nullopt;
    }
    RegValue v;
    v.name = storedName(key.get(), wname);
    v.type = type;
    v.data.assign(data.begin(), data.begin() + size);
    return v;
}

long Win32Registry::setValue(Hive hive, const std::string& path, const RegValue& given) {
    // As every backend stores it, so reading back gives the same everywhere.
    const RegValue value = asStoredByTheApi(given);
    const std::string what = "Cannot set value \"" + value.name + "\" in";
    if (!passable(value.name) || value.data.size() > MAXDWORD) return fail(kRegInvalidParameter, what, hive, path);
    Key key;
    long rc = openKey(hive, path, KEY_SET_VALUE, &key);
    if (rc != ERROR_SUCCESS) return fail(rc, what, hive, path);
    // RegSetValueExW (Windows and Wine alike) stretches a string value whose
    // last character is not zero over one more character when that one is
    // zero, reading past the data and even before it for a single byte.
    // Non-zero bytes around the data keep what is stored exactly as given.
    std::vector<BYTE> guarded(value.data.size() + 4, 0xFF);
    std::copy(value.data.begin(), value.data.end(), guarded.begin() + 2);
    rc = RegSetValueExW(key.get(), registryWide(value.name).c_str(), 0, value.type, guarded.data() + 2,
                        static_cast<DWORD>(value.data.size()));
    return rc == ERROR_SUCCESS ? kRegOk : fail(rc, what, hive, path);
}

long Win32Registry::deleteValue(Hive hive, const std::string& path, const std::string& name) {
    const std::string what = "Cannot delete value \"" + name + "\" of";
    if (!passable(name)) return fail(kRegInvalidParameter, what, hive, path);
    Key key;
    long rc = openKey(hive, path, KEY_SET_VALUE, &key);
    if (rc == ERROR_SUCCESS) rc = RegDeleteValueW(key.get(), registryWide(name).c_str());
    return rc == ERROR_SUCCESS ? kRegOk : fail(rc, what, hive, path);
}

long Win32Registry::deleteKey(Hive hive, const std::string& path) {
    const std::string what = "Cannot delete key";
    if (!validPath(path)) return fail(kRegInvalidParameter, what, hive, path);
    if (path.empty()) return fail(kRegAccessDenied, what, hive, path);  // a hive's root cannot go
    // RegDeleteKeyW refuses a key with subkeys only with ERROR_ACCESS_DENIED,
    // which would also stand for a missing right; look first to tell them apart.
    auto hasSubkeys = [&](long* rc) {
        Key key;
        DWORD count = 0;
        *rc = openKey(hive, path, KEY_QUERY_VALUE, &key);
        if (*rc == ERROR_SUCCESS) *rc = subkeyCount(key.get(), &count);
        return *rc == ERROR_SUCCESS && count > 0;
    };
    long rc = kRegOk;
    if (hasSubkeys(&rc)) return fail(kRegKeyHasSubkeys, what, hive, path);
    if (rc != ERROR_SUCCESS) return fail(rc, what, hive, path);
    rc = RegDeleteKeyW(rootOf(hive), registryWide(path).c_str());
    long again = kRegOk;
    if (rc == ERROR_ACCESS_DENIED && hasSubkeys(&again)) rc = kRegKeyHasSubkeys;  // one came meanwhile
    return rc == ERROR_SUCCESS ? kRegOk : fail(rc, what, hive, path);
}

// Nothing to write: each change reached the system as it was made and every
// program sees it from then on, and the system writes its hives to disk
// itself (Windows within seconds, Wine's server periodically and when the
// prefix's last program ends). RegFlushKey would only block until a whole
// hive is on disk, which the API's documentation asks programs not to do.
bool Win32Registry::flush() { return true; }

}  // namespace platform

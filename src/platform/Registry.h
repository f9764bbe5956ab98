#pragma once
// The registry as the program sees it: hives, keys, and typed values.
// Backends: the registry files of a Wine prefix (WineRegistry), an in-memory
// store for tests (MemoryRegistry), and later the Win32 API.
//
// Semantics follow Windows: key and value names are matched without regard
// to case and keep the case they were created with; subkeys enumerate sorted
// by name without regard to case; values enumerate in the order stored.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class Hive {
    ClassesRoot,
    CurrentUser,
    LocalMachine,
    Users,
    PerformanceData,
    CurrentConfig,
    DynData,
};

// Registry value types, numbered as on Windows. <windows.h> makes the same
// names macros; where it came first, the enumerators take their place.
#ifdef _WIN32
#undef REG_NONE
#undef REG_SZ
#undef REG_EXPAND_SZ
#undef REG_BINARY
#undef REG_DWORD
#undef REG_DWORD_BIG_ENDIAN
#undef REG_LINK
#undef REG_MULTI_SZ
#undef REG_QWORD
#endif
enum RegType : std::uint32_t {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4,
    REG_DWORD_BIG_ENDIAN = 5,
    REG_LINK = 6,
    REG_MULTI_SZ = 7,
    REG_QWORD = 11,
};

// Win32 error codes the registry calls answer with.
enum RegStatus : long {
    kRegOk = 0,
    kRegNotFound = 2,        // ERROR_FILE_NOT_FOUND
    kRegAccessDenied = 5,    // ERROR_ACCESS_DENIED
    kRegInvalidParameter = 87,
    kRegNoMoreItems = 259,
    kRegKeyHasSubkeys = 1020,  // ERROR_KEY_HAS_CHILDREN
    kRegBadFile = 1009,      // ERROR_BADDB: the backing file could not be read
};

// One value. `data` holds the bytes exactly as Windows stores them: strings
// (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) as UTF-16LE, normally with their
// terminating zero; REG_DWORD as 4 little-endian bytes.
struct RegValue {
    std::string name;  // UTF-8; empty for the default value
    std::uint32_t type = REG_NONE;
    std::vector<std::uint8_t> data;

    // A string value; `terminated` adds the zero that Windows usually stores.
    static RegValue string(std::string name, std::uint32_t type, const std::string& utf8,
                           bool terminated = true);
    static RegValue dword(std::string name, std::uint32_t v);
    static RegValue binary(std::string name, std::vector<std::uint8_t> bytes,
                           std::uint32_t type = REG_BINARY);

    // The text of a string value (UTF-8), cut at its first zero character.
    std::string text() const;
    // The value of a 4-byte value read little-endian; 0 when it is not 4 bytes.
    std::uint32_t dwordValue() const;
};

bool operator==(const RegValue& a, const RegValue& b);

// The value as the registry API stores it: a REG_SZ or REG_EXPAND_SZ given
// without its terminating zero gets one, as RegSetValueExA adds it; a
// zero-length string stays zero-length. Every backend stores values so.
RegValue asStoredByTheApi(RegValue value);

// UTF-16LE <-> UTF-8 helpers shared by the backends and the value helpers.
std::vector<std::uint8_t> utf8ToUtf16le(const std::string& utf8);
std::string utf16leToUtf8(const std::uint8_t* data, std::size_t bytes);

// Case-insensitive comparison of registry names (ASCII and Latin letters).
bool namesEqual(const std::string& a, const std::string& b);
bool nameLess(const std::string& a, const std::string& b);

// Helpers shared by the backends.
// UTF-8 <-> UTF-16 code units; malformed input becomes U+FFFD.
std::u16string utf8ToUtf16(const std::string& utf8);
std::string utf16ToUtf8(std::u16string_view units);
// The form of a name that namesEqual and nameLess compare: letters folded to
// lower case, so byte order of folded names is the enumeration order.
std::string foldName(const std::string& name);
// Splits a key path at "\"; false when a name in it is empty (a leading,
// trailing or doubled "\"). The empty path gives no names.
bool splitKeyPath(const std::string& path, std::vector<std::string>* names);

// Paths below a hive use "\" between names and never start or end with one;
// the empty path names the hive's root key.
class Registry {
public:
    virtual ~Registry() = default;

    virtual bool keyExists(Hive hive, const std::string& path) = 0;
    // Creates the key and any missing parents; opening an existing key is success.
    virtual long createKey(Hive hive, const std::string& path) = 0;
    // Direct subkey names, sorted without regard to case.
    virtual std::vector<std::string> subkeys(Hive hive, const std::string& path) = 0;
    // The key's values in stored order; empty when the key does not exist.
    virtual std::vector<RegValue> values(Hive hive, const std::string& path) = 0;
    virtual std::optional<RegValue> value(Hive hive, const std::string& path,
                                          const std::string& name) = 0;
    // Sets (adds or replaces) a value of an existing key. A replaced value keeps
    // its place in the enumeration order.
    virtual long setValue(Hive hive, const std::string& path, const RegValue& value) = 0;
    virtual long deleteValue(Hive hive, const std::string& path, const std::string& name) = 0;
    // Deletes a key that has no subkeys; kRegKeyHasSubkeys otherwise.
    virtual long deleteKey(Hive hive, const std::string& path) = 0;
    // Makes every change so far durable; a file backend writes its files here.
    // On failure the changes not written are dropped, so none of them turns
    // up in a later write; the first problem is kept for lastError().
    virtual bool flush() = 0;
    // Forgets what was read, so the next read sees the registry as it is now.
    // Changes not yet flushed are kept.
    virtual void reload() {}
    // Why reads of the hive may not show its current state (the program that
    // holds it live could not be asked); empty when they do.
    virtual std::string liveReadProblem(Hive) { return {}; }
    // A human-readable description of the last failure, or empty.
    virtual std::string lastError() const = 0;
};

}  // namespace platform

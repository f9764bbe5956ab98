#pragma once
// A private copy of the Wine prefix that tests/wine/make-wine-prefix made for
// this test run, with the commands the end-to-end tests run on it: Wine's own
// tools as user "alice", and the real tarnhold and tarnhold-cli.

#include <filesystem>
#include <map>
#include <string>

#include "support/TestSupport.h"

namespace wine_support {

class WinePrefixCopy {
public:
    // Why the tests cannot run here (no fixture, no Wine), or "".
    static std::string unavailable();

    WinePrefixCopy();  // copies the shared prefix; call only when available
    ~WinePrefixCopy();  // ends any Wine left running in the copy
    WinePrefixCopy(const WinePrefixCopy&) = delete;
    WinePrefixCopy& operator=(const WinePrefixCopy&) = delete;

    std::filesystem::path prefix() const { return dir_.path() / "prefix"; }
    std::filesystem::path home() const { return dir_.path() / "home"; }          // the Unix home
    std::filesystem::path appFolder() const { return dir_.path() / "app"; }      // the program's folder
    std::filesystem::path profile() const { return prefix() / "drive_c" / "users" / "alice"; }
    std::filesystem::path mailStore() const;
    std::filesystem::path contactsFolder() const;
    std::filesystem::path file(const std::string& name) const { return dir_.path() / name; }

    // Runs `wine ARGS` (or another Wine tool) as Wine's user in the copy.
    int wine(const std::string& args, std::string* output = nullptr) const;
    int wineTool(const std::string& tool, const std::string& args, std::string* output = nullptr) const;
    void addValue(const std::string& key, const std::string& name, const std::string& type, const std::string& data);
    void deleteKey(const std::string& key);
    void keepWineRunning() const;  // a server that stays without programs, as one with programs does
    void endWine() const;          // wineserver -k, then waits for it to go
    void waitForWine() const;      // until the server that a Wine command left behind has gone

    // The key and every key below it as `wine reg export` gives them, one
    // "[path]" line per key and one line per value, sorted; "" when the key
    // does not exist. Types the program's text format does not carry
    // (REG_MULTI_SZ, REG_QWORD) are left out when `carriedOnly`.
    std::string exported(const std::string& key, bool carriedOnly = true) const;

    // The programs, with the environment a user running them would have;
    // `extraEnv` like "USER=alice " goes first.
    int tarnhold(const std::string& commandLine, std::string* output, const std::string& extraEnv = "") const;
    int cli(const std::string& args, std::string* output, const std::string& extraEnv = "") const;
    // The Windows build's tarnhold.exe and tarnhold-cli.exe under Wine, as
    // Wine's user, with the same program folder. `words` are passed as shell
    // words (unquoted where a Windows command line would have no quotes).
    int windowsTarnhold(const std::string& words, std::string* output, const std::string& extraEnv = "") const;
    int windowsCli(const std::string& words, std::string* output, const std::string& extraEnv = "") const;
    // Why the Windows programs cannot be run here, or "".
    static std::string windowsBuildMissing();
    // A host path as the programs in the prefix name it (Z:\...).
    static std::string windowsPath(const std::filesystem::path& host);
    std::string log() const;  // the program's operation log
    // The start of a command line that runs the rest with the environment of
    // the Wine commands above (no display; "env DISPLAY=... " after it gives one).
    std::string wineEnv() const;

private:
    int reg(const std::string& args, std::string* output) const;  // `wine reg ARGS`, output required
    std::string programEnv(const std::string& extraEnv) const;
    int windowsProgram(const char* exe, const std::string& words, std::string* output, const std::string& extraEnv) const;
    testing_support::TempDir dir_;
};

// What the items cover, as Wine and the disk show it.
struct ItemSnapshot {
    std::string keys;  // the client's key, exported
    std::map<std::string, std::string> store, contacts, stationery;
    bool operator==(const ItemSnapshot&) const = default;
};
ItemSnapshot itemSnapshot(const WinePrefixCopy& p);

// Removes what the items cover the way a user loses it: the keys through
// Wine, the folders from the disk.
void wipeItems(WinePrefixCopy& p);

// An expandable text of a lone terminator reads back with no data at all:
// the backup's text format holds the text, and an empty text is restored as
// zero bytes, as the registry API stores it.
std::string withEmptyExpandAsZeroLength(std::string exportedKeys);

// Every file below `root` (relative path -> contents; folders as "<dir>").
std::map<std::string, std::string> filesBelow(const std::filesystem::path& root);

// The client's registry key as `reg` names it.
inline const std::string kClientKey = "HKCU\\Software\\Microsoft\\Windows Live Mail";

}  // namespace wine_support

#define SKIP_WITHOUT_WINDOWS_BUILD()                                                           \
    SKIP_WITHOUT_WINE();                                                                       \
    if (const std::string why = wine_support::WinePrefixCopy::windowsBuildMissing(); !why.empty()) { \
        GTEST_SKIP() << why;                                                                   \
    }

#define SKIP_WITHOUT_WINE()                                                                 \
    if (const std::string why = wine_support::WinePrefixCopy::unavailable(); !why.empty()) { \
        GTEST_SKIP() << why;                                                                 \
    }

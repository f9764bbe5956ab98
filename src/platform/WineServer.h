#pragma once
// The wineserver of the prefix, seen from outside. While any Windows program
// of the prefix runs, that server holds the registry in memory and saves it
// over the files now and then, so a file rewritten meanwhile is overwritten
// and a file read meanwhile may be old. Everything that reads or writes the
// registry files asks here first.

#include <chrono>
#include <string>

namespace platform {

// What `wine reg export` gave for one key.
struct WineExport {
    enum class Outcome { Exported, NoSuchKey, Failed };
    Outcome outcome = Outcome::Failed;
    std::string text;   // the file it wrote, when exported
    std::string error;  // why Wine could not be asked, when failed
};

class WineServer {
public:
    virtual ~WineServer() = default;

    // The prefix folder this server would serve.
    virtual const std::string& prefix() const = 0;
    // True while a wineserver serves the prefix.
    virtual bool running() = 0;
    // A key tree as the running server holds it: the file that
    // `wine reg export <key>` writes (UTF-16, "Windows Registry Editor
    // Version 5.00"); `key` is a full path such as "HKEY_CURRENT_USER\Software".
    virtual WineExport exportKey(const std::string& key) = 0;
    // Ends every program of the prefix (`wineserver -k`) and waits until the
    // server is gone; false when it still runs after `limit`.
    virtual bool endPrograms(std::chrono::milliseconds limit) = 0;
    // Waits until no server serves the prefix; false when one still runs after `limit`.
    virtual bool waitForExit(std::chrono::milliseconds limit) = 0;
};

}  // namespace platform

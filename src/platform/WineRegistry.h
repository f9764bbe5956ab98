#pragma once
// The registry of a Wine prefix: HKEY_CURRENT_USER is <prefix>/user.reg,
// HKEY_LOCAL_MACHINE is <prefix>/system.reg; the other hives hold nothing
// (reads find nothing, writes are refused with kRegAccessDenied).
//
// Each hive is read on first use after construction or reload(). While the
// prefix's wineserver runs it holds the registry live and rewrites the files
// at will, so a hive is then read through Wine itself and writes to it are
// refused; the files are read only when no server runs.
//
// Changes apply at once to what this object reads back and are kept in a
// journal; flush() writes them under a lock file beside the registry file,
// re-reading the file first when someone else changed it meanwhile, and
// replaces it atomically, checking just before that Wine has not started. A
// damaged file reads as empty, refuses writes with kRegBadFile, and is never
// rewritten.

#include "platform/Registry.h"

#include <cstdint>
#include <chrono>
#include <functional>
#include <memory>

#include "platform/WineServer.h"

namespace platform {

class MemoryRegistry;

class WineRegistry : public Registry {
public:
    // `server` tells whether Wine holds the registry live; without one the
    // files are always read directly.
    explicit WineRegistry(std::string prefixFolder, WineServer* server = nullptr);
    // Flushes pending changes; failures are lost.
    ~WineRegistry() override;
    WineRegistry(const WineRegistry&) = delete;
    WineRegistry& operator=(const WineRegistry&) = delete;

    bool keyExists(Hive hive, const std::string& path) override;
    long createKey(Hive hive, const std::string& path) override;
    std::vector<std::string> subkeys(Hive hive, const std::string& path) override;
    std::vector<RegValue> values(Hive hive, const std::string& path) override;
    std::optional<RegValue> value(Hive hive, const std::string& path,
                                  const std::string& name) override;
    long setValue(Hive hive, const std::string& path, const RegValue& value) override;
    long deleteValue(Hive hive, const std::string& path, const std::string& name) override;
    long deleteKey(Hive hive, const std::string& path) override;
    bool flush() override;
    std::string lastError() const override { return error_; }
    void reload() override;
    std::string liveReadProblem(Hive hive) override;

    // The file behind a hive, or empty for hives without one.
    std::string hostFile(Hive hive) const;
    // The lock file that flush() holds while it rewrites `hostFile`.
    static std::string lockFileFor(const std::string& hostFile);
    // The clock for time stamps of changed keys, in FILETIME ticks; for tests.
    void setClock(std::function<std::uint64_t()> fileTimeNow);
    // How long flush() waits for another writer's lock on a file.
    void setLockWait(std::chrono::milliseconds limit) { lockWait_ = limit; }

private:
    struct HiveFile;
    struct Source;
    HiveFile* fileFor(Hive hive);  // ready to read; nullptr for hives without a file
    void loadFile(HiveFile& file);
    MemoryRegistry* liveTree(HiveFile& file, Hive hive, const std::string& path);
    Source sourceFor(Hive hive, const std::string& path);
    long refusal(HiveFile* file);  // why a write to the hive cannot be made, or kRegOk
    bool wineRuns();
    bool flushFile(HiveFile& file);
    void fail(const std::string& message);

    std::string prefix_;
    std::unique_ptr<HiveFile> user_;
    std::unique_ptr<HiveFile> machine_;
    WineServer* server_;
    std::function<std::uint64_t()> clock_;
    std::chrono::milliseconds lockWait_{30000};
    std::string error_;
};

}  // namespace platform

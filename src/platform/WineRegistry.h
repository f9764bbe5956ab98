#pragma once
// The registry of a Wine prefix: HKEY_CURRENT_USER is <prefix>/user.reg,
// HKEY_LOCAL_MACHINE is <prefix>/system.reg; the other hives hold nothing
// (reads find nothing, writes are refused with kRegAccessDenied).
//
// Each file is read on first use. Changes apply at once to what this object
// reads back and are kept in a journal; flush() writes them under a lock
// file beside the registry file, re-reading the file first when someone else
// changed it meanwhile, and replaces it atomically. A damaged file reads as
// empty, refuses writes with kRegBadFile, and is never rewritten.

#include "platform/Registry.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

class WineRegistry : public Registry {
public:
    explicit WineRegistry(std::string prefixFolder);
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

    // The file behind a hive, or empty for hives without one.
    std::string hostFile(Hive hive) const;
    // The lock file that flush() holds while it rewrites `hostFile`.
    static std::string lockFileFor(const std::string& hostFile);
    // The clock for time stamps of changed keys, in FILETIME ticks; for tests.
    void setClock(std::function<std::uint64_t()> fileTimeNow);

private:
    struct HiveFile;
    HiveFile* fileFor(Hive hive);  // loaded; nullptr for hives without a file
    bool flushFile(HiveFile& file);
    void fail(const std::string& message);

    std::string prefix_;
    std::unique_ptr<HiveFile> user_;
    std::unique_ptr<HiveFile> machine_;
    std::function<std::uint64_t()> clock_;
    std::string error_;
};

}  // namespace platform

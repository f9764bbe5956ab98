#pragma once
// One registry file of a Wine prefix (user.reg, system.reg) held as its
// original text: keys and values are parsed for lookup, but every line that
// no edit touches is written back byte for byte. Edited values are written
// as Wine writes them; new keys go where Wine would put them.

#include "platform/Registry.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class WineRegistryFile {
public:
    WineRegistryFile();
    ~WineRegistryFile();
    WineRegistryFile(WineRegistryFile&&) noexcept;
    WineRegistryFile& operator=(WineRegistryFile&&) noexcept;

    // A file holding nothing but Wine's header; `root` is the hive's place in
    // Wine's tree as the header writes it, e.g. "\\\\Machine".
    static WineRegistryFile withHeader(const std::string& root);

    // Reads a whole file. False, with `error` like "line 12: bad hex data",
    // when the text is not a well-formed registry file; this object is then empty.
    bool parse(std::string_view text, std::string* error);
    std::string text() const;

    // The clock for the time stamps of changed keys, in FILETIME ticks
    // (100 ns since 1601); the system clock unless set.
    void setClock(std::function<std::uint64_t()> fileTimeNow);

    // The registry operations on this file's tree; paths as in Registry.
    bool keyExists(const std::string& path) const;
    std::vector<std::string> subkeys(const std::string& path) const;
    std::vector<RegValue> values(const std::string& path) const;
    std::optional<RegValue> value(const std::string& path, const std::string& name) const;
    long createKey(const std::string& path);
    long setValue(const std::string& path, const RegValue& value);
    long deleteValue(const std::string& path, const std::string& name);
    long deleteKey(const std::string& path);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform

#pragma once
// The registry addressed by full key path text ("HKEY_CURRENT_USER\Software\...").
// Paths are checked before use; an ill-formed one is reported through the
// dialogs ("Incorrect Format:") and the operation then has no effect.

#include <optional>
#include <string>
#include <vector>

#include "platform/Dialogs.h"
#include "platform/Registry.h"

namespace items {

struct ParsedKeyPath {
    platform::Hive hive;
    std::string subkey;  // below the hive; empty for the hive itself
};

class RegistryAccess {
public:
    RegistryAccess(platform::Registry& registry, platform::Dialogs& dialogs)
        : registry_(registry), dialogs_(dialogs) {}

    // The hive and subkey of a full path. Nothing for an ill-formed path (after
    // the "Incorrect Format:" message) or an unknown hive name (silently).
    std::optional<ParsedKeyPath> ParseKeyPath(const std::string& path);

    bool RegistryKeyExists(const std::string& path);
    // Creates the key and missing parents; the system error code, 0 on success.
    long CreateRegistryKey(const std::string& path);
    std::vector<std::string> ListRegistrySubkeys(const std::string& path);
    // The value's text, or "Error" when the key or value cannot be read.
    std::string ReadRegistryString(const std::string& path, const std::string& valueName);
    long DeleteRegistryKey(const std::string& path);
    // Children before parents, then the key itself.
    long DeleteRegistryTree(const std::string& path);

    platform::Registry& registry() { return registry_; }

private:
    platform::Registry& registry_;
    platform::Dialogs& dialogs_;
};

// The text every reader treats as a missing value.
inline constexpr const char* kRegistryReadError = "Error";

}  // namespace items

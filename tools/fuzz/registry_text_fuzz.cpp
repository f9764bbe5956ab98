// The registry text carried inside backups: a text that imports exports
// again, and that export, imported and exported once more, is the same,
// within the format's stated limit (a string's line breaks are written as
// they are, so a following line that starts like a key or value line
// reads back as one).

#include <string>

#include "FuzzSupport.h"
#include "items/RegistryTextFormat.h"
#include "platform/MemoryRegistry.h"
#include "platform/ScriptedDialogs.h"
#include "platform/Text.h"

namespace {

using platform::Hive;

constexpr const char* kKey = "HKEY_CURRENT_USER\\Software\\Fuzz";
constexpr const char* kSubkey = "Software\\Fuzz";

bool breaksIntoKeyOrValueLine(const std::string& text) {
    const auto lines = platform::splitAll(platform::replaceAll(text, "\r\n", "\n"), '\n');
    for (std::size_t i = 1; i < lines.size(); ++i)
        if (!lines[i].empty() && (lines[i][0] == '\\' || lines[i][0] == '"')) return true;
    return false;
}

bool beyondTheFormat(platform::Registry& registry, const std::string& subkey) {
    for (const auto& v : registry.values(Hive::CurrentUser, subkey)) {
        const bool isString = v.type == platform::REG_SZ || v.type == platform::REG_EXPAND_SZ;
        if (isString && breaksIntoKeyOrValueLine(v.text())) return true;
    }
    for (const auto& name : registry.subkeys(Hive::CurrentUser, subkey))
        if (beyondTheFormat(registry, subkey + "\\" + name)) return true;
    return false;
}

enum class Outcome { NotImported, Exported, BeyondTheFormat };

// Imports `file` into a fresh registry and exports the tree to `exported`.
Outcome importThenExport(const std::string& file, const std::string& exported, std::string* error) {
    platform::MemoryRegistry memory;
    platform::ScriptedDialogs dialogs;
    items::RegistryAccess registry(memory, dialogs);
    if (!items::ImportRegistryTree(registry, kKey, file, error)) return Outcome::NotImported;
    FUZZ_CHECK(items::ExportRegistryTree(registry, kKey, exported, error), *error);
    return beyondTheFormat(memory, kSubkey) ? Outcome::BeyondTheFormat : Outcome::Exported;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = fuzz::Scratch() / "input.txt";
    const auto once = fuzz::Scratch() / "once.txt";
    const auto twice = fuzz::Scratch() / "twice.txt";
    fuzz::WriteBytes(input, data, size);
    std::string error;
    if (importThenExport(input.string(), once.string(), &error) != Outcome::Exported) return 0;
    FUZZ_CHECK(importThenExport(once.string(), twice.string(), &error) != Outcome::NotImported, error);
    const std::string first = fuzz::ReadBytes(once);
    FUZZ_CHECK(fuzz::ReadBytes(twice) == first, first);
    return 0;
}

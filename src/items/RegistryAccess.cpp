#include "items/RegistryAccess.h"

#include <array>
#include <utility>

#include "platform/Text.h"

namespace items {

namespace {

const std::array<std::pair<const char*, platform::Hive>, 7> kHives{{
    {"HKEY_CLASSES_ROOT", platform::Hive::ClassesRoot},
    {"HKEY_CURRENT_USER", platform::Hive::CurrentUser},
    {"HKEY_LOCAL_MACHINE", platform::Hive::LocalMachine},
    {"HKEY_USERS", platform::Hive::Users},
    {"HKEY_PERFORMANCE_DATA", platform::Hive::PerformanceData},
    {"HKEY_CURRENT_CONFIG", platform::Hive::CurrentConfig},
    {"HKEY_DYN_DATA", platform::Hive::DynData},
}};

// What a REG_SZ read into a 255-character buffer gives back.
constexpr std::size_t kReadBufferChars = 255;

}  // namespace

std::optional<ParsedKeyPath> RegistryAccess::ParseKeyPath(const std::string& path) {
    if (path.rfind("HKEY_", 0) != 0 || (!path.empty() && path.back() == '\\')) {
        dialogs_.message("Incorrect Format:\n\n" + path, platform::Icon::None);
        return std::nullopt;
    }
    auto sep = path.find('\\');
    std::string hiveName = path.substr(0, sep);
    for (const auto& [name, hive] : kHives) {
        if (hiveName == name) {
            return ParsedKeyPath{hive, sep == std::string::npos ? "" : path.substr(sep + 1)};
        }
    }
    return std::nullopt;
}

bool RegistryAccess::RegistryKeyExists(const std::string& path) {
    auto p = ParseKeyPath(path);
    return p && registry_.keyExists(p->hive, p->subkey);
}

long RegistryAccess::CreateRegistryKey(const std::string& path) {
    auto p = ParseKeyPath(path);
    if (!p) return platform::kRegInvalidParameter;
    return registry_.createKey(p->hive, p->subkey);
}

std::vector<std::string> RegistryAccess::ListRegistrySubkeys(const std::string& path) {
    auto p = ParseKeyPath(path);
    if (!p) return {};
    return registry_.subkeys(p->hive, p->subkey);
}

std::string RegistryAccess::ReadRegistryString(const std::string& path, const std::string& valueName) {
    auto p = ParseKeyPath(path);
    if (!p) return kRegistryReadError;
    auto v = registry_.value(p->hive, p->subkey, valueName);
    // Only string data reads as text; anything else is a missing value to the callers.
    if (!v || (v->type != platform::REG_SZ && v->type != platform::REG_EXPAND_SZ &&
               v->type != platform::REG_MULTI_SZ)) {
        return kRegistryReadError;
    }
    std::string text = v->text();
    if (text.size() > kReadBufferChars - 1) text.resize(kReadBufferChars - 1);
    return platform::trimBlanks(text);
}

long RegistryAccess::DeleteRegistryKey(const std::string& path) {
    auto p = ParseKeyPath(path);
    if (!p) return platform::kRegInvalidParameter;
    if (p->subkey.empty()) return platform::kRegAccessDenied;  // a hive cannot be deleted
    return registry_.deleteKey(p->hive, p->subkey);
}

long RegistryAccess::DeleteRegistryTree(const std::string& path) {
    auto p = ParseKeyPath(path);
    if (!p) return platform::kRegInvalidParameter;
    for (const auto& child : registry_.subkeys(p->hive, p->subkey)) {
        DeleteRegistryTree(path + "\\" + child);
    }
    return DeleteRegistryKey(path);
}

}  // namespace items

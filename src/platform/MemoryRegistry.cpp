#include "platform/MemoryRegistry.h"

#include <algorithm>
#include <map>

namespace platform {

struct MemoryRegistry::Node {
    std::string name;
    std::map<std::string, std::unique_ptr<Node>> children;  // by folded name
    std::vector<RegValue> values;

    std::vector<RegValue>::iterator findValue(const std::string& valueName) {
        return std::find_if(values.begin(), values.end(),
                            [&](const RegValue& v) { return namesEqual(v.name, valueName); });
    }
};

MemoryRegistry::MemoryRegistry() {
    for (auto& root : roots_) root = std::make_unique<Node>();
}

MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Node* MemoryRegistry::find(Hive hive, const std::string& path) {
    std::vector<std::string> names;
    if (!splitKeyPath(path, &names)) return nullptr;
    Node* node = roots_[static_cast<std::size_t>(hive)].get();
    for (const auto& name : names) {
        auto it = node->children.find(foldName(name));
        if (it == node->children.end()) return nullptr;
        node = it->second.get();
    }
    return node;
}

bool MemoryRegistry::keyExists(Hive hive, const std::string& path) {
    return find(hive, path) != nullptr;
}

long MemoryRegistry::createKey(Hive hive, const std::string& path) {
    std::vector<std::string> names;
    if (!splitKeyPath(path, &names)) return kRegInvalidParameter;
    Node* node = roots_[static_cast<std::size_t>(hive)].get();
    for (const auto& name : names) {
        auto& child = node->children[foldName(name)];
        if (!child) {
            child = std::make_unique<Node>();
            child->name = name;
        }
        node = child.get();
    }
    return kRegOk;
}

std::vector<std::string> MemoryRegistry::subkeys(Hive hive, const std::string& path) {
    std::vector<std::string> names;
    if (Node* node = find(hive, path))
        for (const auto& [folded, child] : node->children) names.push_back(child->name);
    return names;
}

std::vector<RegValue> MemoryRegistry::values(Hive hive, const std::string& path) {
    Node* node = find(hive, path);
    return node ? node->values : std::vector<RegValue>{};
}

std::optional<RegValue> MemoryRegistry::value(Hive hive, const std::string& path,
                                              const std::string& name) {
    Node* node = find(hive, path);
    if (!node) return std::nullopt;
    auto it = node->findValue(name);
    if (it == node->values.end()) return std::nullopt;
    return *it;
}

long MemoryRegistry::setValue(Hive hive, const std::string& path, const RegValue& given) {
    const RegValue value = asStoredByTheApi(given);
    Node* node = find(hive, path);
    if (!node) return kRegNotFound;
    auto it = node->findValue(value.name);
    if (it == node->values.end()) {
        node->values.push_back(value);
    } else {
        // Windows keeps the name as first stored.
        it->type = value.type;
        it->data = value.data;
    }
    return kRegOk;
}

long MemoryRegistry::deleteValue(Hive hive, const std::string& path, const std::string& name) {
    Node* node = find(hive, path);
    if (!node) return kRegNotFound;
    auto it = node->findValue(name);
    if (it == node->values.end()) return kRegNotFound;
    node->values.erase(it);
    return kRegOk;
}

long MemoryRegistry::deleteKey(Hive hive, const std::string& path) {
    std::vector<std::string> names;
    if (!splitKeyPath(path, &names)) return kRegInvalidParameter;
    if (names.empty()) return kRegAccessDenied;  // a hive's root cannot go
    Node* node = find(hive, path);
    if (!node) return kRegNotFound;
    if (!node->children.empty()) return kRegKeyHasSubkeys;
    std::string parentPath = path.substr(0, path.size() - names.back().size());
    if (!parentPath.empty()) parentPath.pop_back();
    find(hive, parentPath)->children.erase(foldName(names.back()));
    return kRegOk;
}

}  // namespace platform

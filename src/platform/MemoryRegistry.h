#pragma once
// A registry that lives only in memory, with the semantics of the real one:
// for tests of code that reads and writes registry keys.

#include "platform/Registry.h"

#include <array>
#include <memory>

namespace platform {

class MemoryRegistry : public Registry {
public:
    MemoryRegistry();
    ~MemoryRegistry() override;

    bool keyExists(Hive hive, const std::string& path) override;
    long createKey(Hive hive, const std::string& path) override;
    std::vector<std::string> subkeys(Hive hive, const std::string& path) override;
    std::vector<RegValue> values(Hive hive, const std::string& path) override;
    std::optional<RegValue> value(Hive hive, const std::string& path,
                                  const std::string& name) override;
    long setValue(Hive hive, const std::string& path, const RegValue& value) override;
    long deleteValue(Hive hive, const std::string& path, const std::string& name) override;
    long deleteKey(Hive hive, const std::string& path) override;
    bool flush() override { return true; }
    std::string lastError() const override { return {}; }

private:
    struct Node;
    Node* find(Hive hive, const std::string& path);

    std::array<std::unique_ptr<Node>, 7> roots_;
};

}  // namespace platform

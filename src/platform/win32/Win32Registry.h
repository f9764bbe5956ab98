#pragma once
// The registry of the running Windows system, through the Win32 API.
//
// Changes reach the system at once and every other program sees them;
// nothing is cached, so reload() has nothing to forget.
//
// Key and value names are matched by the system, which folds case for all
// of Unicode, not only the Latin letters the shared name helpers know.
// values() lists values in the order the system enumerates them: on Windows
// the order they were stored in, under Wine sorted by name. subkeys() sorts
// with nameLess whatever order the system gives.
//
// This header leaves <windows.h> out: its REG_* macros would replace the
// RegType names of Registry.h in every file that includes this one.

#include "platform/Registry.h"

namespace platform {

class Win32Registry : public Registry {
public:
    bool keyExists(Hive hive, const std::string& path) override;
    long createKey(Hive hive, const std::string& path) override;
    std::vector<std::string> subkeys(Hive hive, const std::string& path) override;
    std::vector<RegValue> values(Hive hive, const std::string& path) override;
    std::optional<RegValue> value(Hive hive, const std::string& path,
                                  const std::string& name) override;
    long setValue(Hive hive, const std::string& path, const RegValue& value) override;
    long deleteValue(Hive hive, const std::string& path, const std::string& name) override;
    long deleteKey(Hive hive, const std::string& path) override;
    // The system keeps its hives durable itself; see the definition.
    bool flush() override;
    std::string lastError() const override { return error_; }

private:
    // Records a failure for lastError() and returns its code.
    long fail(long code, const std::string& what, Hive hive, const std::string& path);

    std::string error_;
};

}  // namespace platform

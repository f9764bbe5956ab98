#pragma once
// Test double: records which executable names were to be ended.

#include <string>
#include <vector>

#include "platform/Processes.h"

namespace platform {

class RecordingProcesses : public Processes {
public:
    int killByName(const std::string& exeName) override {
        killed.push_back(exeName);
        return 0;
    }
    std::vector<std::string> killed;
};

}  // namespace platform

#pragma once
#include <string>

namespace platform {

class Processes {
public:
    virtual ~Processes() = default;
    // Ends at once every process whose executable name equals `exeName`
    // without regard to case; returns how many were ended.
    virtual int killByName(const std::string& exeName) = 0;
};

}  // namespace platform

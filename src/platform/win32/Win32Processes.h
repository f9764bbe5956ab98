#pragma once
// Ending processes by executable name on Windows, from the system's list of
// running processes.

#include "platform/Processes.h"

namespace platform {

class Win32Processes : public Processes {
public:
    // Never the calling process itself, even when it goes by that name.
    int killByName(const std::string& exeName) override;
};

}  // namespace platform

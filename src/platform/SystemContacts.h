#pragma once
// The operating system's side of one run: the registry, the prefix's Wine
// (none on Windows), the launcher and the process table of this machine.

#include <memory>

#include "platform/Environment.h"
#include "platform/Launcher.h"
#include "platform/Processes.h"
#include "platform/Registry.h"
#include "platform/WineServer.h"

namespace platform {

struct SystemContacts {
    std::unique_ptr<WineServer> wine;
    std::unique_ptr<Registry> registry;
    std::unique_ptr<Launcher> launcher;
    std::unique_ptr<Processes> processes;
};

// The contacts for `env`. Settles, once, what the system says of it: the
// user's profile folder, and the ANSI code page every text file is written in.
SystemContacts MakeSystemContacts(Environment& env);

}  // namespace platform

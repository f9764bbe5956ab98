#pragma once
// The platform contacts one run of the program works through. Core code gets
// this bundle and never reaches the operating system any other way, so every
// rule can be exercised with test doubles.

#include "platform/Dialogs.h"
#include "platform/Environment.h"
#include "platform/Launcher.h"
#include "platform/Processes.h"
#include "platform/Registry.h"
#include "platform/WineServer.h"

namespace platform {

struct Services {
    Environment env;
    Registry& registry;
    Dialogs& dialogs;
    Launcher& launcher;
    Processes& processes;
    WineServer& wine;  // the prefix's wineserver
};

}  // namespace platform

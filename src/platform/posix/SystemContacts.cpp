#include "platform/SystemContacts.h"

#include <cstdlib>

#include "platform/AnsiText.h"
#include "platform/PrefixFacts.h"
#include "platform/WineRegistry.h"
#include "platform/posix/PosixLauncher.h"
#include "platform/posix/PosixProcesses.h"
#include "platform/posix/PosixWineServer.h"

namespace platform {

SystemContacts MakeSystemContacts(Environment& env) {
    SystemContacts contacts;
    contacts.wine = std::make_unique<PosixWineServer>(env.winePrefix);
    contacts.registry = std::make_unique<WineRegistry>(env.winePrefix, contacts.wine.get());
    const char* user = std::getenv("USER");
    env.userProfile = ResolveUserProfile(*contacts.registry, env.userProfile, user ? user : "", env.userName);
    SetAnsiCodePage(ReadAnsiCodePage(*contacts.registry));
    contacts.launcher = std::make_unique<PosixLauncher>(env);
    contacts.processes = std::make_unique<PosixProcesses>();
    return contacts;
}

}  // namespace platform

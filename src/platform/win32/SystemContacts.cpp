#include "platform/SystemContacts.h"

#include <windows.h>

#include "platform/AnsiText.h"
#include "platform/win32/NoWineServer.h"
#include "platform/win32/Win32Launcher.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Registry.h"

namespace platform {

SystemContacts MakeSystemContacts(Environment& env) {
    SystemContacts contacts;
    contacts.wine = std::make_unique<NoWineServer>();
    contacts.registry = std::make_unique<Win32Registry>();
    SetAnsiCodePage(GetACP());
    contacts.launcher = std::make_unique<Win32Launcher>(env);
    contacts.processes = std::make_unique<Win32Processes>();
    return contacts;
}

}  // namespace platform

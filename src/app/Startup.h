#pragma once
// Start-up wiring: the real platform services of this machine, and the
// unattended path taken whenever the program is given any argument.

#include <functional>
#include <memory>
#include <string>

#include "platform/Services.h"
#include "platform/SystemContacts.h"

namespace app {

// The platform objects of a real run, owned together.
class RealPlatform {
public:
    using DialogsFactory = std::function<std::unique_ptr<platform::Dialogs>(const platform::Environment&)>;
    // `makeDialogs` gives the implementation this run shows its messages
    // through. The user's profile folder and the ANSI code page are settled
    // here, once.
    RealPlatform(const std::string& executableFolder, const DialogsFactory& makeDialogs);
    ~RealPlatform();
    platform::Services& services() { return *services_; }
    platform::Dialogs& dialogs() { return *dialogs_; }

private:
    platform::Environment env_;
    platform::SystemContacts contacts_;
    std::unique_ptr<platform::Dialogs> dialogs_;
    std::unique_ptr<platform::Services> services_;
};

// The whole unattended run of one process: load, back up, shut down. Shows
// nothing and needs no display. Returns the process exit status.
int RunUnattended(platform::Services& services, const std::string& commandLine);

}  // namespace app

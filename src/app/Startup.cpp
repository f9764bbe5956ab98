#include "app/Startup.h"

#include "session/MainSession.h"
#include "schedule/UnattendedBackupRun.h"

namespace app {

RealPlatform::RealPlatform(const std::string& executableFolder, const DialogsFactory& makeDialogs)
    : env_(platform::Environment::fromProcess(executableFolder)), contacts_(platform::MakeSystemContacts(env_)) {
    dialogs_ = makeDialogs(env_);
    services_ = std::make_unique<platform::Services>(platform::Services{
        env_, *contacts_.registry, *dialogs_, *contacts_.launcher, *contacts_.processes, *contacts_.wine});
}

RealPlatform::~RealPlatform() = default;

int RunUnattended(platform::Services& services, const std::string& commandLine) {
    session::MainSession session(services, commandLine);
    session.Load();
    const int status = schedule::UnattendedBackupRun(session);
    session.Shutdown();
    return status;
}

}  // namespace app

#include "app/Startup.h"

#include <cstdlib>

#include "session/MainSession.h"
#include "platform/AnsiText.h"
#include "platform/posix/PosixLauncher.h"
#include "platform/posix/PosixProcesses.h"
#include "platform/posix/PosixWineServer.h"
#include "platform/PrefixFacts.h"
#include "platform/WineRegistry.h"
#include "schedule/UnattendedBackupRun.h"

namespace app {

RealPlatform::RealPlatform(const std::string& executableFolder, const DialogsFactory& makeDialogs)
    : env_(platform::Environment::fromProcess(executableFolder)),
      wine_(std::make_unique<platform::PosixWineServer>(env_.winePrefix)),
      registry_(std::make_unique<platform::WineRegistry>(env_.winePrefix, wine_.get())) {
    const char* user = std::getenv("USER");
    env_.userProfile = platform::ResolveUserProfile(*registry_, env_.userProfile, user ? user : "", env_.userName);
    platform::SetAnsiCodePage(platform::ReadAnsiCodePage(*registry_));
    dialogs_ = makeDialogs(env_);
    launcher_ = std::make_unique<platform::PosixLauncher>(env_);
    processes_ = std::make_unique<platform::PosixProcesses>();
    services_ = std::make_unique<platform::Services>(
        platform::Services{env_, *registry_, *dialogs_, *launcher_, *processes_, *wine_});
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

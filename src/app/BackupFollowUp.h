#pragma once
// What the manual backup does after its closing message, in this order: the
// disc window, starting the mail client, opening the target's folder. Each
// happens only when its setting is on.

#include <functional>
#include <string>

#include "items/RegistryAccess.h"
#include "platform/Services.h"

namespace app {

// Shows the disc window for the archive and returns when it closes; empty
// while the program has no disc window.
using DiscWindowOpener = std::function<void(const std::string& fileName, const std::string& filePath)>;

void RunBackupFollowUps(platform::Services& services, items::RegistryAccess& registry,
                        const std::string& BackupTargetFile, const DiscWindowOpener& openDiscWindow);

// The mail client's program, from its App Paths entry.
std::string MailClientProgram(items::RegistryAccess& registry);

// Opens the folder that holds `path`: a host folder with the desktop's file
// manager, a Windows one with Explorer.
void OpenContainingFolder(platform::Launcher& launcher, const std::string& path);

}  // namespace app

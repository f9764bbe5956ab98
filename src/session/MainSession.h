#pragma once
// The state the main window owns, without any widget: what discovery found,
// the two archive objects and the run state the item functions share. The
// window (frmMain), the unattended run and the command-line tool all work on
// one of these.

#include <array>
#include <string>

#include "session/Discovery.h"
#include "backup/ZipComponent.h"
#include "items/Catalogue.h"
#include "items/ItemContext.h"
#include "items/RegistryAccess.h"
#include "platform/Services.h"

namespace session {

class MainSession {
public:
    MainSession(platform::Services& services, std::string commandLine);

    // The window's load: record path, discovery, archive folders, items and target.
    void Load();
    // Item availability and the proposed target file.
    void RefreshItemsAndTarget();
    // Shutdown: close both archives and delete the staged record. Safe to call twice.
    void Shutdown();


    platform::Services& services;
    items::RegistryAccess registry;
    const std::string CommandLine;

    MailStore store;
    // Enabled item boxes; index 10 keeps its design state (enabled).
    std::array<bool, items::kItemCount> available{};
    std::string InfoRecordPath;
    std::string BackupTargetFile;

    backup::ZipComponent Zip1;
    backup::ZipComponent Zip2;
    // The state the item functions share, filled from what discovery found.
    items::ItemContext items{services.env, registry, Zip1, Zip2};

private:
    bool shutDown_ = false;
};

// The command line as one text: the arguments after the program name joined
// by blanks (empty when there are none).
std::string JoinCommandLine(int argc, const char* const* argv);

}  // namespace session

#include "session/MainSession.h"

#include <filesystem>

#include "backup/FileNaming.h"
#include "platform/FsPath.h"

namespace session {

MainSession::MainSession(platform::Services& s, std::string commandLine)
    : services(s), registry(s.registry, s.dialogs), CommandLine(std::move(commandLine)) {
    available.fill(true);
}

void MainSession::Load() {
    InfoRecordPath = InfoRecordPathFor(services.env);
    // A damaged registry file is named before anything else is said about it.
    registry.RegistryKeyExists(kClientKey);
    if (std::string problem = services.registry.lastError(); !problem.empty()) {
        services.dialogs.message(problem, platform::Icon::Critical);
    }
    store = DiscoverMailStore(services, registry);
    items.InfoRecordPath = InfoRecordPath;
    if (!store.ready()) return;
    items.MailStoreRoot = store.MailStoreRoot;
    items.ContactsFolder = store.ContactsFolder;
    items.StationeryFolder = store.StationeryFolder;
    Zip1.setWorkingFolder(services.env.programFolder);
    Zip2.setWorkingFolder(services.env.programFolder);
    RefreshItemsAndTarget();
}

void MainSession::RefreshItemsAndTarget() {
    available = ItemAvailability(store, services.env, registry);
    if (auto proposed = backup::ProposedTargetFile(services.env, store.LogonUserName, config::CurrentDateTime())) {
        BackupTargetFile = *proposed;
    }
}

void MainSession::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    Zip1.closeArchive();
    Zip2.closeArchive();
    std::error_code ec;
    if (!InfoRecordPath.empty()) std::filesystem::remove(platform::fsPath(InfoRecordPath), ec);
    services.registry.flush();
}

std::string JoinCommandLine(int argc, const char* const* argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        line += argv[i];
    }
    return line;
}

}  // namespace session

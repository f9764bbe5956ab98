#include "CliCommands.h"

#include <cstdio>
#include <filesystem>
#include <iostream>

#include "app/WineGate.h"
#include "backup/OperationLog.h"
#include "items/MemberNames.h"
#include "restore/Inspection.h"
#include "restore/RestoreRun.h"
#include "platform/Text.h"

namespace cli {

namespace {

namespace fs = std::filesystem;

// A private scratch folder for nested archives, removed with its contents.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string templ = (fs::temp_directory_path() / "tarnhold-cli-XXXXXX").string();
        if (::mkdtemp(templ.data())) path_ = templ;
    }
    ~ScratchFolder() {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::optional<restore::Inspection> open(app::MainSession& session, restore::RestoreState& state, const std::string& file) {
    auto inspection = restore::InspectBackupFile(session, state, file);
    if (inspection.outcome != restore::InspectionOutcome::Valid) return std::nullopt;
    return inspection;
}

// Extracts a nested folder archive and opens it on `nested`.
bool openNested(app::MainSession& session, const backup::ZipMember& member, const ScratchFolder& scratch,
                backup::ZipComponent& nested) {
    return session.Zip1.extractMember(member, scratch.path()) &&
           nested.openArchive((fs::path(scratch.path()) / member.name).string());
}

bool isFolderArchive(const std::string& name) {
    return platform::endsWith(platform::toLowerAscii(name), ".zip");
}

}  // namespace

int Info(app::MainSession& session, const std::string& file) {
    restore::RestoreState state;
    auto inspection = open(session, state, file);
    if (!inspection) return 1;
    std::cout << platform::replaceAll(inspection->POBinfo, "\r\n", "\n") << "\n"
              << "Description:" << platform::replaceAll(inspection->FileInfo, "\r\n", "\n") << "\n"
              << "Items:\n";
    for (const auto& item : items::kCatalogue) {
        if (inspection->present[item.index]) std::cout << "  " << item.caption << "\n";
    }
    return 0;
}

int List(app::MainSession& session, const std::string& file) {
    restore::RestoreState state;
    if (!open(session, state, file)) return 1;
    ScratchFolder scratch;
    for (const auto& member : session.Zip1.members()) {
        std::printf("%12llu  %s\n", static_cast<unsigned long long>(member.size), member.name.c_str());
        if (!isFolderArchive(member.name)) continue;
        backup::ZipComponent nested;
        if (!openNested(session, member, scratch, nested)) {
            std::cerr << "tarnhold-cli: cannot read " << member.name << ": " << session.Zip1.lastError() << "\n";
            return 1;
        }
        for (const auto& inner : nested.members()) {
            std::printf("%12llu      %s\n", static_cast<unsigned long long>(inner.size), inner.name.c_str());
        }
    }
    return 0;
}

int Verify(app::MainSession& session, const std::string& file) {
    restore::RestoreState state;
    if (!open(session, state, file)) return 1;
    auto fail = [](const std::string& what) {
        std::cerr << "tarnhold-cli: " << what << "\n";
        return 1;
    };
    if (!session.Zip1.testAll()) return fail(session.Zip1.lastError());
    for (const auto& item : items::kCatalogue) {
        if (state.RestoreItemFlags[item.index] != '1') continue;
        for (const auto& name : items::SplitMembers(session.items.RestoreItemMembers[item.index])) {
            if (!session.Zip1.findMember(name)) {
                return fail("the record names \"" + name + "\" for " + std::string(item.caption) +
                            ", which the archive does not hold");
            }
        }
    }
    ScratchFolder scratch;
    for (const auto& member : session.Zip1.members()) {
        if (!isFolderArchive(member.name)) continue;
        backup::ZipComponent nested;
        if (!openNested(session, member, scratch, nested) || !nested.testAll()) {
            return fail(member.name + ": " + nested.lastError());
        }
        fs::remove(fs::path(scratch.path()) / member.name);
    }
    std::cout << file << ": OK\n";
    return 0;
}

// While Windows programs run in the prefix, Wine would undo the restore:
// refused, unless the user asked for them to be ended.
bool wineIsOutOfTheWay(platform::Services& services, bool endWine) {
    auto& wine = services.wine;
    if (wine.running()) {
        if (!endWine) {
            std::cerr << "tarnhold-cli: Windows programs are running in the Wine prefix " << wine.prefix()
                      << ". While they run, Wine keeps its own copy of the registry and would undo the restore. "
                         "Close them, or give --end-wine to end them; nothing was restored.\n";
            return false;
        }
        std::cout << "Ending the Windows programs of the Wine prefix " << wine.prefix() << "...\n";
        if (!wine.endPrograms(app::kWineEndLimit)) {
            std::cerr << "tarnhold-cli: " << platform::replaceAll(app::WineStillRunningMessage(wine.prefix()), "\r\n", " ")
                      << "\n";
            return false;
        }
    }
    services.registry.reload();
    return true;
}

int Restore(app::MainSession& session, const std::string& file, const RestoreOptions& options) {
    session.Load();
    if (!session.store.ready()) return 1;
    restore::RestoreState state;
    auto inspection = open(session, state, file);
    if (!inspection) return 1;
    restore::RestoreRequest request;
    const auto& mask = options.mask;
    for (std::size_t k = 0; k < items::kItemCount; ++k) {
        request.ticked[k] = mask ? (k < mask->size() && (*mask)[k] == '1') : inspection->present[k];
    }
    // Asked for items the backup lacks: restoring the rest would look like success.
    std::string absent;
    for (std::size_t k = 0; k < items::kItemCount; ++k) {
        if (request.ticked[k] && !inspection->present[k])
            absent += std::string(absent.empty() ? "" : ", ") + std::string(items::kCatalogue[k].caption);
    }
    if (!absent.empty()) {
        std::cerr << "tarnhold-cli: the backup does not hold " << absent << "; nothing was restored.\n";
        return 1;
    }
    request.userName = session.store.LogonUserName;
    if (auto failure = restore::ValidateRestore(state, request)) {
        std::cerr << "tarnhold-cli: " << failure->text << "\n";
        return 1;
    }
    if (!wineIsOutOfTheWay(session.services, options.endWine)) return 1;
    backup::BackupEvents events{[](const std::string& status) { std::cout << status << "\n"; }, {}};
    auto outcome = restore::RunRestoreItems(session.items, state, request, backup::OperationLog::of(session.services.env),
                                            events);
    std::cout << platform::replaceAll(restore::RestoreCompletionMessage(outcome), "\r\n", "\n") << "\n";
    return outcome.allSucceeded ? 0 : 1;
}

}  // namespace cli

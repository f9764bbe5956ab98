#include "CliCommands.h"

#include "CliProgress.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <vector>

#include "app/WineGate.h"
#include "backup/OperationLog.h"
#include "backup/ReadsCounted.h"
#include "items/MemberNames.h"
#include "platform/Folders.h"
#include "restore/Inspection.h"
#include "restore/RestoreRun.h"
#include "platform/Text.h"
#include "platform/FsPath.h"

namespace cli {

namespace {

namespace fs = std::filesystem;
using backup::ReadsCounted;

// A private scratch folder for nested archives, removed with its contents.
class ScratchFolder : public platform::TemporaryFolder {
public:
    ScratchFolder() : TemporaryFolder("tarnhold-cli-") {}
};

std::optional<restore::Inspection> open(session::MainSession& session, restore::RestoreState& state, const std::string& file) {
    auto inspection = restore::InspectBackupFile(session, state, file);
    if (inspection.outcome != restore::InspectionOutcome::Valid) return std::nullopt;
    return inspection;
}

// Extracts a nested folder archive and opens it on `nested`: empty text, or why not.
std::string openNested(session::MainSession& session, const backup::ZipMember& member, const ScratchFolder& scratch,
                       backup::ZipComponent& nested) {
    if (!session.Zip1.extractMember(member, scratch.path())) return session.Zip1.lastError();
    if (!nested.openArchive(platform::pathText(platform::fsPath(scratch.path()) / platform::fsPath(member.name)))) return nested.lastError();
    return {};
}

bool isFolderArchive(const std::string& name) {
    return platform::endsWith(platform::toLowerAscii(name), ".zip");
}

// A member of the backup itself that a restore would refuse, by the checks
// the restore makes.
std::string refusedMember(backup::ZipComponent& zip) {
    for (const auto& member : zip.members()) {
        if (!zip.checkMember(member)) return zip.lastError();
        if (!items::MemberFileName(member.name)) return "the member name \"" + member.name + "\" is no plain file name";
        if (isFolderArchive(member.name) && !items::MemberFolderName(member.name)) {
            return "the folder archive \"" + member.name + "\" gives no plain folder name";
        }
    }
    return {};
}

// A member the record names that the archive lacks.
std::string missingRecordMember(session::MainSession& session, const restore::RestoreState& state) {
    for (const auto& item : items::kCatalogue) {
        if (state.RestoreItemFlags[item.index] != '1') continue;
        for (const auto& name : items::SplitMembers(session.items.RestoreItemMembers[item.index])) {
            if (!session.Zip1.findMember(name)) {
                return "the record names \"" + name + "\" for " + std::string(item.caption) +
                       ", which the archive does not hold";
            }
        }
    }
    return {};
}

// What verify reads, step by step: every member of the backup, then each
// folder archive again as it is taken out and its files are read.
struct VerifySteps {
    VerifySteps(ProgressTracker& tracker, const std::vector<backup::ZipMember>& members)
        : read(members.size(), ProgressTracker::kNoStep),
          takeOut(members.size(), ProgressTracker::kNoStep),
          files(members.size(), ProgressTracker::kNoStep) {
        for (std::size_t i = 0; i < members.size(); ++i) {
            if (!members[i].directory) read[i] = tracker.add("verifying " + members[i].name, members[i].size);
        }
        for (std::size_t i = 0; i < members.size(); ++i) {
            if (!isFolderArchive(members[i].name)) continue;
            takeOut[i] = tracker.add("taking out " + members[i].name, members[i].size);
            files[i] = tracker.add("checking the files in " + members[i].name, members[i].size);
        }
    }
    std::vector<std::size_t> read, takeOut, files;
};

// A member that does not read to its end, with its checks.
std::string unreadableMember(session::MainSession& session, const std::vector<backup::ZipMember>& members,
                             ProgressTracker& progress, const VerifySteps& steps) {
    std::size_t step = ProgressTracker::kNoStep;
    ReadsCounted counted(session.Zip1,
                         [&](std::uint64_t done, std::uint64_t total) { progress.reached(step, done, total); });
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (members[i].directory) continue;
        progress.begin(step = steps.read[i]);
        if (!session.Zip1.testMember(members[i])) return session.Zip1.lastError();
    }
    return {};
}

// A folder archive that cannot be read, or holds an entry a restore would refuse.
std::string unsoundFolderArchive(session::MainSession& session, const std::vector<backup::ZipMember>& members,
                                 ProgressTracker& progress, const VerifySteps& steps) {
    ScratchFolder scratch;
    for (std::size_t i = 0; i < members.size(); ++i) {
        const auto& member = members[i];
        if (!isFolderArchive(member.name)) continue;
        backup::ZipComponent nested;
        progress.begin(steps.takeOut[i]);
        std::string why;
        {
            ReadsCounted counted(session.Zip1, [&](std::uint64_t done, std::uint64_t total) {
                progress.reached(steps.takeOut[i], done, total);
            });
            why = openNested(session, member, scratch, nested);
        }
        if (!why.empty()) return member.name + ": " + why;
        progress.begin(steps.files[i]);
        ReadsCounted counted(nested, [&](std::uint64_t done, std::uint64_t total) {
            progress.reached(steps.files[i], done, total);
        });
        for (const auto& inner : nested.members()) {
            if (!nested.checkMember(inner)) return member.name + ": " + nested.lastError();
        }
        if (!nested.testAll()) return member.name + ": " + nested.lastError();
        // Closed first: Windows removes no file that is open.
        nested.closeArchive();
        std::error_code ec;
        fs::remove(platform::fsPath(scratch.path()) / platform::fsPath(member.name), ec);
    }
    return {};
}

}  // namespace

int Info(session::MainSession& session, const std::string& file) {
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

int List(session::MainSession& session, const std::string& file) {
    restore::RestoreState state;
    if (!open(session, state, file)) return 1;
    ScratchFolder scratch;
    for (const auto& member : session.Zip1.members()) {
        std::printf("%12llu  %s\n", static_cast<unsigned long long>(member.size), member.name.c_str());
        if (!isFolderArchive(member.name)) continue;
        backup::ZipComponent nested;
        const std::string why = openNested(session, member, scratch, nested);
        if (!why.empty()) {
            std::cerr << "tarnhold-cli: cannot read " << member.name << ": " << why << "\n";
            return 1;
        }
        for (const auto& inner : nested.members()) {
            std::printf("%12llu      %s\n", static_cast<unsigned long long>(inner.size), inner.name.c_str());
        }
    }
    return 0;
}

int Verify(session::MainSession& session, const std::string& file) {
    restore::RestoreState state;
    if (!open(session, state, file)) return 1;
    ProgressView view = TerminalOrPlainView();
    ProgressTracker progress(view);
    ActiveProgress active(progress);
    const auto members = session.Zip1.members();
    const VerifySteps steps(progress, members);
    std::string why = refusedMember(session.Zip1);
    if (why.empty()) why = unreadableMember(session, members, progress, steps);
    if (why.empty()) why = missingRecordMember(session, state);
    if (why.empty()) why = unsoundFolderArchive(session, members, progress, steps);
    if (!why.empty()) {
        progress.stop();
        std::cerr << "tarnhold-cli: " << why << "\n";
        return 1;
    }
    progress.finish();
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

int Restore(session::MainSession& session, const std::string& file, const RestoreOptions& options) {
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
    ProgressView view = TerminalOrPlainView();
    ProgressTracker progress(view);
    ActiveProgress active(progress);
    RestoreSteps steps(progress, restore::PlanRestoreReads(session.items, state, request));
    restore::RestoreOutcome outcome;
    {
        ReadsCounted backupReads(session.Zip1, std::bind_front(&RestoreSteps::wholeRead, &steps));
        ReadsCounted folderReads(session.Zip2, std::bind_front(&RestoreSteps::filesRead, &steps));
        const auto announced = session.items.restoringMember;
        session.items.restoringMember = std::bind_front(&RestoreSteps::restoring, &steps);
        backup::BackupEvents events{[&](const std::string& status) { progress.say(std::cout, status + "\n"); }, {}};
        outcome = restore::RunRestoreItems(session.items, state, request, backup::OperationLog::of(session.services.env),
                                           events);
        session.items.restoringMember = announced;
    }
    if (outcome.allSucceeded) progress.finish();
    else progress.stop();
    std::cout << platform::replaceAll(restore::RestoreCompletionMessage(outcome), "\r\n", "\n") << "\n";
    return outcome.allSucceeded ? 0 : 1;
}

}  // namespace cli

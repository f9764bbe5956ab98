#pragma once
// What the item functions share during one backup or restore: the places
// found at start-up, the two archive objects and the per-item texts the runs
// read afterwards. Item functions never touch a widget.

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "backup/ZipComponent.h"
#include "items/Catalogue.h"
#include "items/RegistryAccess.h"
#include "platform/Environment.h"

namespace backup {
class EarlierBackup;
}

namespace items {

struct ItemContext {
    ItemContext(const platform::Environment& e, RegistryAccess& r, backup::ZipComponent& zip1,
                backup::ZipComponent& zip2)
        : env(e), registry(r), Zip1(zip1), Zip2(zip2) {}

    const platform::Environment& env;
    RegistryAccess& registry;
    backup::ZipComponent& Zip1;  // the backup being written, or the one being restored
    backup::ZipComponent& Zip2;  // folder archives only

    // Found at start-up; Windows form, no trailing backslash.
    std::string MailStoreRoot;
    std::string ContactsFolder;
    std::string StationeryFolder;
    std::string InfoRecordPath;  // host path of the record being written

    // The folder of the run that holds the program folder now
    // (backup::ExclusiveRun); empty outside a run.
    std::string runFolder;
    // Where staging files go: the run's own folder, so runs never share or
    // remove each other's files; outside a run, the program folder.
    const std::string& scratchFolder() const { return runFolder.empty() ? env.programFolder : runFolder; }
    // A private folder inside that one (see ScratchFolder): folder archives
    // and extracted members never sit beside, or land over, the run's files.
    std::string privateFolder;

    // Whether the database item is chosen in this same run: the accounts
    // item then leaves its database file to it.
    bool databaseChosen = false;

    // Per item: the staging file of this backup (path + NUL, as recorded),
    // and for a restore the member list read from the backup's record.
    std::array<std::string, kItemCount> stagingFiles{};
    std::array<std::string, kItemCount> RestoreItemMembers{};

    // Called between folders so a long item can report life or be cancelled.
    std::function<void()> yield = [] {};
    // The share of the running item's work done so far (0 to 1), so the bar
    // moves inside a long item; may be called from packing threads.
    std::function<void(double)> workDone = [](double) {};
    // A restoring item is about to take out `member` of the backup.
    std::function<void(std::size_t item, const std::string& member)> restoringMember =
        [](std::size_t, const std::string&) {};

    // The earlier backup whose unchanged files the folder archives copy
    // instead of compressing them again; none for a full backup.
    backup::EarlierBackup* earlier = nullptr;
    // Of the running item's folder archives: files copied from the earlier
    // backup and files compressed, for its log line.
    std::uint64_t filesCopied = 0;
    std::uint64_t filesCompressed = 0;

    // Why the item function that last returned false failed, when it knows;
    // the runs put it into the log and the summary. Cleared before each item.
    std::string failure;
    // Records why the item fails; returns false for the item to return.
    bool fail(std::string why) {
        failure = std::move(why);
        return false;
    }
};

}  // namespace items

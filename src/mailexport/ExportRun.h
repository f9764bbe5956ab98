#pragma once
// Exporting mail out of a backup opened by restore::InspectBackupFile, or
// restoring one account or folder into a folder of the user's choice:
// nothing is written into the mail client's store, nothing is overwritten,
// and every folder's messages are counted, so none goes missing unnoticed.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "mailexport/ExportLayout.h"

namespace session { class MainSession; }

namespace mailexport {

struct ExportRequest {
    Format format = Format::Mbox;
    std::string folder;  // "Account[/Folder...]"; every account when empty
    std::string target;  // host path of the folder to write into
    bool intoExisting = false;
    std::string clientStore;  // host path of the client's own store, never written into; "" when none
};

struct FolderResult {
    std::string shownPath;  // "Account/Inbox"
    std::string place;      // below the target, "/" separated
    std::uint64_t inBackup = 0;  // its messages (its files, for a folder restore)
    std::uint64_t written = 0;
    std::uint64_t skipped = 0;
    std::uint64_t withoutHeaders = 0;  // written as stored though they hold no message header (eml)
};

struct ExportEvents {
    // The steps, before anything is read: a label and its weight each.
    std::function<void(const std::vector<std::pair<std::string, std::uint64_t>>&)> planned = [](const auto&) {};
    // How far a step got.
    std::function<void(std::size_t step, std::uint64_t done, std::uint64_t total)> progress = [](auto, auto, auto) {};
    // A message (or file) left out, and why.
    std::function<void(const std::string& shownPath, const std::string& why)> skipped = [](const auto&, const auto&) {};
    std::function<void(const FolderResult&)> folderDone = [](const auto&) {};
};

struct ExportOutcome {
    // Why the export stopped, or did not start; empty when it went through.
    std::string failure;
    std::vector<FolderResult> folders;
    FolderResult total;  // the sums, shownPath empty
    bool complete() const { return failure.empty() && total.skipped == 0; }
};

ExportOutcome RunExport(session::MainSession& session, const ExportRequest& request, const ExportEvents& events);

}  // namespace mailexport

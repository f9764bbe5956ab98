#pragma once
// Where an export puts each folder and file below its target folder:
// for mbox one file per folder, a folder's subfolders in "<name>.sbd" beside
// it as Thunderbird's Local Folders keep them; for .eml files and a folder
// restore, the folder tree itself. Every name is one Windows can hold
// (WindowsNames.h), so the plan is the same on both builds.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "mailexport/BackupMail.h"

namespace mailexport {

enum class Format {
    Mbox,   // one mboxrd file per folder
    Eml,    // the messages as .eml files, byte for byte
    Files,  // every file of the folders as stored (a folder restore)
};

// One folder of the backup, as the export writes it.
struct PlannedFolder {
    std::size_t account = 0;  // into the opened accounts
    std::size_t folder = 0;   // into that account's tree
    std::string shownPath;    // "Account/Inbox/Projects", as the commands name it
    // "/"-separated below the target: the mbox file, or the folder.
    std::string place;
    bool subfolderFolder = false;  // mbox: "<place>.sbd" is made for its subfolders
    std::vector<std::size_t> entries;  // members to write, in archive order
    std::vector<std::string> entryPlaces;  // eml and files: where each goes
};

struct ExportLayout {
    std::vector<PlannedFolder> folders;
    std::uint64_t entryCount = 0;
    std::uint64_t entryBytes = 0;  // as stored
    std::uint64_t entryBlocks = 0;  // the same, each file rounded up to whole 4 KiB blocks
};

// The plan for folder chosen[a] of each account a, each with every folder
// below it, below a target whose absolute path is `targetPath`; nothing,
// with why, when a name cannot be made short enough.
std::optional<ExportLayout> PlanLayout(const std::vector<OpenedAccount>& accounts,
                                       const std::vector<std::size_t>& chosen, Format format,
                                       const std::string& targetPath, std::string* why);

}  // namespace mailexport

#pragma once
// Folder archives: one zip per folder, made in this run's private scratch
// folder and added to the backup under "<folder>.zip"; on restore unpacked
// beside the target folder and swapped in only once complete.

#include <optional>
#include <string>
#include <vector>

#include "items/ItemContext.h"

namespace items {

// Names directly in a host folder, sorted by name: its subfolders or its
// plain files. Nothing when the folder cannot be listed.
std::optional<std::vector<std::string>> ListSubfolders(const std::string& hostFolder);
std::optional<std::vector<std::string>> ListFiles(const std::string& hostFolder);

// Packs the host folders `parent`/<name> and adds each "<name>.zip" to Zip1
// in the order given. Folders are packed one after another, each on every
// core, so one large account is as quick as several small ones.
bool PackFolders(ItemContext& ctx, std::size_t item, const std::string& parent,
                 const std::vector<std::string>& names);

enum class UnpackMode {
    Replace,  // the folder becomes exactly the archive's contents
    Merge,    // the archive's files go over the folder's, others stay
};
// Takes member `member` out of Zip1 and unpacks it into
// `parent`/MemberFolderName(member).
bool UnpackFolderArchive(ItemContext& ctx, const std::string& member, const std::string& parent, UnpackMode mode);

}  // namespace items

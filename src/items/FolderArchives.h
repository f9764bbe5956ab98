#pragma once
// Folder archives: one zip per folder, made in this program's private
// staging folder and added to the backup under "<folder>.zip"; on restore
// unpacked beside the target folder and swapped in only once complete.

#include <optional>
#include <string>
#include <vector>

#include "items/ItemContext.h"

namespace items {

// Names directly in a host folder, sorted by name: its subfolders or its
// plain files. Nothing when the folder cannot be listed.
std::optional<std::vector<std::string>> ListSubfolders(const std::string& hostFolder);
std::optional<std::vector<std::string>> ListFiles(const std::string& hostFolder);

// The name stem of a staging folder for folder archives.
inline constexpr const char* kFolderArchiveStem = "folder-archives-";
// A new private staging folder in `hostFolder` (a run's own folder), or
// empty text.
std::string CreateFolderArchiveFolder(const std::string& hostFolder);
// Removes the staging folder and every folder archive in it. Only files
// this program made are touched.
void RemoveFolderArchives(ItemContext& ctx);

// Packs the host folders `parent`/<name> and adds each "<name>.zip" to Zip1
// in the order given. Folders are packed side by side on the machine's
// cores; the members still go in in order.
bool PackFolders(ItemContext& ctx, std::size_t item, const std::string& parent,
                 const std::vector<std::string>& names);

enum class UnpackMode {
    Replace,  // the folder becomes exactly the archive's contents
    Merge,    // the archive's files go over the folder's, others stay
};
// Takes member `member` out of Zip1 and unpacks it into `parent`/<base name>.
bool UnpackFolderArchive(ItemContext& ctx, const std::string& member, const std::string& parent, UnpackMode mode);

// Extracts a plain-file member from Zip1 into a host folder.
bool ExtractPlainMember(ItemContext& ctx, const std::string& member, const std::string& hostFolder);

}  // namespace items

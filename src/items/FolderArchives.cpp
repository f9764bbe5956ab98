#include "items/FolderArchives.h"

#include <algorithm>
#include <filesystem>

#include "items/MemberNames.h"
#include "items/RestoreLeftovers.h"
#include "platform/Cores.h"
#include "platform/Folders.h"
#include "platform/HostPath.h"

namespace items {

namespace {

namespace fs = std::filesystem;

std::optional<std::vector<std::string>> listNames(const std::string& hostFolder, bool folders) {
    std::error_code ec;
    fs::directory_iterator it(hostFolder, ec);
    if (ec) return std::nullopt;
    std::vector<std::string> names;
    for (fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) return std::nullopt;
        std::error_code kindError;
        const bool isFolder = it->is_directory(kindError);
        std::string name = it->path().filename().string();
        // What a restore cut off left behind is no folder of the user's.
        if (isFolder && IsRestoreLeftover(name)) continue;
        if (folders ? isFolder : (!isFolder && it->is_regular_file(kindError))) names.push_back(std::move(name));
    }
    if (ec) return std::nullopt;
    std::sort(names.begin(), names.end());
    return names;
}

using platform::makeUniqueFolder;
using platform::removeTree;

// Puts `fresh` in the place of `target` in one step; the old folder is left
// at `fresh` for the caller to remove. Where the file system cannot swap,
// the old folder stands aside between two renames, and a run killed between
// them is put right by the next one (RecoverInterruptedRestores).
bool swapFolder(const fs::path& fresh, const fs::path& target) {
    std::error_code ec;
    if (!fs::exists(target, ec)) {
        fs::rename(fresh, target, ec);
        return !ec;
    }
    const auto exchanged = platform::exchangePaths(fresh.string(), target.string());
    if (exchanged != platform::Exchange::Unsupported) return exchanged == platform::Exchange::Done;
    const fs::path old = StandAsideName(fresh.string());
    fs::rename(target, old, ec);
    if (ec) return false;
    fs::rename(fresh, target, ec);
    if (ec) {
        std::error_code back;
        fs::rename(old, target, back);
        return false;
    }
    removeTree(old);
    return true;
}

// Moves every file of `fresh` over the same place below `target`.
bool mergeFolder(const fs::path& fresh, const fs::path& target) {
    std::error_code ec;
    fs::create_directories(target, ec);
    if (ec) return false;
    for (fs::directory_iterator it(fresh, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path to = target / it->path().filename();
        if (it->is_directory()) {
            if (!mergeFolder(it->path(), to)) return false;
            continue;
        }
        fs::rename(it->path(), to, ec);
        if (ec) return false;
    }
    return !ec;
}

std::string stagingFolder(ItemContext& ctx) {
    if (ctx.folderArchiveFolder.empty()) ctx.folderArchiveFolder = CreateFolderArchiveFolder(ctx.scratchFolder());
    return ctx.folderArchiveFolder;
}

std::string baseName(const std::string& member) {
    const auto dot = member.rfind('.');
    return dot == std::string::npos ? member : member.substr(0, dot);
}

}  // namespace

std::optional<std::vector<std::string>> ListSubfolders(const std::string& hostFolder) {
    return listNames(hostFolder, true);
}

std::optional<std::vector<std::string>> ListFiles(const std::string& hostFolder) {
    return listNames(hostFolder, false);
}

std::string CreateFolderArchiveFolder(const std::string& hostFolder) {
    return makeUniqueFolder(hostFolder, kFolderArchiveStem);
}

void RemoveFolderArchives(ItemContext& ctx) {
    if (ctx.folderArchiveFolder.empty()) return;
    removeTree(ctx.folderArchiveFolder);
    ctx.folderArchiveFolder.clear();
}

// Packs one folder with its own archive object, so folders can be packed
// on several threads at once.
bool packOne(const backup::ZipComponent& model, const std::string& folder, const std::string& archive) {
    backup::ZipComponent zip;
    zip.setNotifications(model.notifications());
    zip.setCompressionLevel(model.compressionLevel());
    zip.setProveBeforeReplace(false);  // proven inside the backup instead
    return zip.newArchive(archive) && zip.addFiles(platform::joinHostPath(folder, "*.*"), 1) && zip.writeArchive();
}

bool PackFolders(ItemContext& ctx, std::size_t item, const std::string& parent,
                 const std::vector<std::string>& names) {
    const std::string stage = stagingFolder(ctx);
    if (stage.empty()) return false;
    // One subfolder per item: two items may have folders of the same name.
    const fs::path itemFolder = fs::path(stage) / std::to_string(item);
    std::error_code ec;
    fs::create_directories(itemFolder, ec);
    std::vector<std::string> archives;
    for (const auto& name : names) archives.push_back((itemFolder / (name + ".zip")).string());

    std::vector<char> packed(names.size(), 0);
    platform::forEachOnCores(names.size(), [&](std::size_t i) {
        packed[i] = packOne(ctx.Zip2, platform::joinHostPath(parent, names[i]), archives[i]);
    });
    for (std::size_t i = 0; i < names.size(); ++i) {
        ctx.yield();
        if (!packed[i] || !ctx.Zip1.addFolderArchive(archives[i])) return false;
    }
    return true;
}

bool ExtractPlainMember(ItemContext& ctx, const std::string& member, const std::string& hostFolder) {
    if (!IsBareMemberName(member)) return false;
    auto found = ctx.Zip1.findMember(member);
    return found && ctx.Zip1.extractMember(*found, hostFolder);
}

bool UnpackFolderArchive(ItemContext& ctx, const std::string& member, const std::string& parent, UnpackMode mode) {
    const std::string stage = stagingFolder(ctx);
    if (stage.empty() || !ExtractPlainMember(ctx, member, stage)) return false;
    const std::string archive = platform::joinHostPath(stage, member);
    std::error_code ec;
    fs::create_directories(parent, ec);
    const std::string name = baseName(member);
    // Unpacked beside the target, so the swap is a rename on one file system.
    const std::string fresh = makeUniqueFolder(parent, RestoreStagingStem(name));
    bool ok = !fresh.empty() && ctx.Zip2.openArchive(archive) && ctx.Zip2.unzipAll(fresh) >= 0;
    ctx.Zip2.closeArchive();
    const fs::path target = fs::path(parent) / name;
    if (ok) ok = mode == UnpackMode::Replace ? swapFolder(fresh, target) : mergeFolder(fresh, target);
    if (!fresh.empty()) removeTree(fresh);
    fs::remove(archive, ec);
    return ok;
}

}  // namespace items

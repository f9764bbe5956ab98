#include "items/FolderArchives.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>

#include "backup/EarlierBackup.h"
#include "items/MemberExtraction.h"
#include "items/MemberNames.h"
#include "items/RestoreLeftovers.h"
#include "platform/Folders.h"
#include "platform/HostPath.h"
#include "platform/FsPath.h"

namespace items {

namespace {

namespace fs = std::filesystem;

std::optional<std::vector<std::string>> listNames(const std::string& hostFolder, bool folders) {
    std::error_code ec;
    fs::directory_iterator it(platform::fsPath(hostFolder), ec);
    if (ec) return std::nullopt;
    std::vector<std::string> names;
    for (fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) return std::nullopt;
        std::error_code kindError;
        const bool isFolder = it->is_directory(kindError);
        std::string name = platform::pathText(it->path().filename());
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
    const auto exchanged = platform::exchangePaths(platform::pathText(fresh), platform::pathText(target));
    if (exchanged != platform::Exchange::Unsupported) return exchanged == platform::Exchange::Done;
    const fs::path old = platform::fsPath(StandAsideName(platform::pathText(fresh)));
    fs::rename(target, old, ec);
    if (ec) return false;
    fs::rename(fresh, target, ec);
    if (ec) {
        std::error_code back;
        fs::rename(old, target, back);
        return false;
    }
    platform::removeTree(platform::pathText(old));
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

// Packs one folder with its own archive object, whose members are deflated
// on every core, and adds it to the backup. Empty text, or why it failed.
std::string packOne(ItemContext& ctx, const std::string& folder, const std::string& archive, std::uint64_t rawBytes,
                    const std::function<void(int)>& percentWritten) {
    const backup::ZipComponent& model = ctx.Zip2;
    backup::ZipComponent zip;
    auto notifications = model.notifications();
    notifications.writingProgress = percentWritten;
    zip.setNotifications(notifications);
    zip.setCompressionLevel(model.compressionLevel());
    zip.setFolderArchive(true);
    // The earlier backup holds this folder's archive under the same name.
    if (ctx.earlier) zip.setEarlierFolderArchive(ctx.earlier->folderArchive(platform::bareName(archive)));
    if (!zip.newArchive(archive) || !zip.addFiles(platform::joinHostPath(folder, "*.*"), 1)) {
        return "the folder \"" + folder + "\" could not be packed: " + zip.lastError();
    }
    const bool ok = ctx.Zip1.addFolderArchive(zip, folder, rawBytes);
    ctx.filesCopied += zip.lastFileCounts().first;
    ctx.filesCompressed += zip.lastFileCounts().second;
    return ok ? std::string() : "the folder \"" + folder + "\" could not be packed: " + ctx.Zip1.lastError();
}

std::uint64_t bytesBelow(const std::string& folder) {
    std::uint64_t total = 0;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(platform::fsPath(folder), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code sizeError;
        if (it->is_regular_file(sizeError)) total += it->file_size(sizeError);
    }
    return total;
}

// How far the packing of an item's folders got, by bytes, told to the run.
class PackProgress {
public:
    PackProgress(ItemContext& ctx, const std::string& parent, const std::vector<std::string>& names)
        : ctx_(ctx), percent_(names.size(), 0) {
        for (const auto& name : names) sizes_.push_back(bytesBelow(platform::joinHostPath(parent, name)) + 1);
        for (auto size : sizes_) total_ += size;
    }
    std::uint64_t bytes(std::size_t folder) const { return sizes_[folder]; }
    void reached(std::size_t folder, int percent) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (percent <= percent_[folder]) return;
        done_ += sizes_[folder] * static_cast<std::uint64_t>(percent - percent_[folder]) / 100;
        percent_[folder] = percent;
        ctx_.workDone(static_cast<double>(done_) / static_cast<double>(total_));
    }

private:
    ItemContext& ctx_;
    std::mutex mutex_;
    std::vector<std::uint64_t> sizes_;
    std::vector<int> percent_;
    std::uint64_t total_ = 0;
    std::uint64_t done_ = 0;
};

// Puts the unpacked folder in its place; the reason when it cannot.
bool placeFolder(ItemContext& ctx, const std::string& fresh, const fs::path& target, UnpackMode mode) {
    const fs::path from = platform::fsPath(fresh);
    if (mode == UnpackMode::Replace ? swapFolder(from, target) : mergeFolder(from, target)) return true;
    return ctx.fail("the folder \"" + platform::pathText(target) + "\" could not be put in place");
}

bool unpackInto(ItemContext& ctx, const std::string& member, const std::string& fresh) {
    if (fresh.empty()) return ctx.fail("no folder could be made to unpack \"" + member + "\" into");
    const bool ok = ctx.Zip2.unzipAll(fresh) >= 0;
    if (!ok) ctx.fail("\"" + member + "\": " + ctx.Zip2.lastError());
    ctx.Zip2.closeArchive();
    return ok;
}

// Opens the folder archive where it lies in the backup when it is stored
// as it is; else takes it out into the private folder first. The copy's
// path, to remove afterwards, or nothing when none was made.
bool openFolderArchive(ItemContext& ctx, const std::string& member, std::optional<std::string>* copy) {
    const auto found = ctx.Zip1.findMember(member);
    if (found && ctx.Zip2.openArchiveMember(ctx.Zip1, *found)) return true;
    *copy = ExtractToScratch(ctx, member);
    if (!*copy) return false;
    if (ctx.Zip2.openArchive(**copy)) return true;
    return ctx.fail("\"" + member + "\": " + ctx.Zip2.lastError());
}

}  // namespace

std::optional<std::vector<std::string>> ListSubfolders(const std::string& hostFolder) {
    return listNames(hostFolder, true);
}

std::optional<std::vector<std::string>> ListFiles(const std::string& hostFolder) {
    return listNames(hostFolder, false);
}

bool PackFolders(ItemContext& ctx, std::size_t item, const std::string& parent,
                 const std::vector<std::string>& names) {
    const std::string stage = ScratchFolder(ctx);
    if (stage.empty()) return ctx.fail("no private folder could be made in " + ctx.env.programFolder);
    // One subfolder per item: two items may have folders of the same name.
    const fs::path itemFolder = platform::fsPath(stage) / std::to_string(item);
    std::error_code ec;
    fs::create_directories(itemFolder, ec);
    std::vector<std::string> archives;
    for (const auto& name : names) archives.push_back(platform::pathText(itemFolder / platform::fsPath(name + ".zip")));

    PackProgress progress(ctx, parent, names);
    for (std::size_t i = 0; i < names.size(); ++i) {
        ctx.yield();
        const std::string error = packOne(ctx, platform::joinHostPath(parent, names[i]), archives[i], progress.bytes(i),
                                          [&progress, i](int percent) { progress.reached(i, percent); });
        if (!error.empty()) return ctx.fail(error);
    }
    return true;
}

bool UnpackFolderArchive(ItemContext& ctx, const std::string& member, const std::string& parent, UnpackMode mode) {
    const auto name = MemberFolderName(member);
    if (!name) {
        return ctx.fail("the backup names the folder archive \"" + member + "\", which gives no plain folder name");
    }
    std::optional<std::string> copy;
    if (!openFolderArchive(ctx, member, &copy)) return false;
    std::error_code ec;
    fs::create_directories(platform::fsPath(parent), ec);
    // Unpacked beside the target, so the swap is a rename on one file system.
    const std::string fresh = platform::makeUniqueFolder(parent, RestoreStagingStem(*name));
    const bool ok = unpackInto(ctx, member, fresh) && placeFolder(ctx, fresh, platform::fsPath(parent) / platform::fsPath(*name), mode);
    if (!fresh.empty()) platform::removeTree(fresh);
    ctx.Zip2.closeArchive();
    if (copy) fs::remove(platform::fsPath(*copy), ec);
    return ok;
}

}  // namespace items

#include "items/FolderArchives.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <cstdlib>
#include <filesystem>

#include "items/MemberNames.h"
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
        if (folders ? isFolder : (!isFolder && it->is_regular_file(kindError))) {
            names.push_back(it->path().filename().string());
        }
    }
    if (ec) return std::nullopt;
    std::sort(names.begin(), names.end());
    return names;
}

// A fresh, empty folder whose name starts with `stem`, in `parent`.
std::string makeUniqueFolder(const std::string& parent, const std::string& stem) {
    std::string templ = platform::joinHostPath(parent, stem + "XXXXXX");
    if (!::mkdtemp(templ.data())) return {};
    return templ;
}

// Removes a tree, read-only entries included (a folder without write
// permission would keep its files).
void removeTree(const fs::path& root) {
    std::error_code ec;
    if (fs::remove_all(root, ec) != static_cast<std::uintmax_t>(-1) && !ec) return;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        std::error_code ignored;
        if (it->is_directory(ignored)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root, ec);
}

// Puts `fresh` in the place of `target`; the old folder goes only once the
// new one stands in its place.
bool swapFolder(const fs::path& fresh, const fs::path& target) {
    std::error_code ec;
    if (!fs::exists(target, ec)) {
        fs::rename(fresh, target, ec);
        return !ec;
    }
    const fs::path old = fresh.string() + ".old";
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
    if (ctx.folderArchiveFolder.empty()) ctx.folderArchiveFolder = CreateFolderArchiveFolder(ctx.env);
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

std::string CreateFolderArchiveFolder(const platform::Environment& env) {
    return makeUniqueFolder(env.programFolder, "folder-archives-");
}

void RemoveFolderArchives(ItemContext& ctx) {
    if (ctx.folderArchiveFolder.empty()) return;
    removeTree(ctx.folderArchiveFolder);
    ctx.folderArchiveFolder.clear();
}

// Packs one folder with its own archive object, so folders can be packed
// on several threads at once. Empty text, or why the folder could not be packed.
std::string packOne(const backup::ZipComponent& model, const std::string& folder, const std::string& archive) {
    backup::ZipComponent zip;
    zip.setNotifications(model.notifications());
    zip.setCompressionLevel(model.compressionLevel());
    if (zip.newArchive(archive) && zip.addFiles(platform::joinHostPath(folder, "*.*"), 1) && zip.writeArchive())
        return {};
    return "the folder \"" + folder + "\" could not be packed: " + zip.lastError();
}

bool PackFolders(ItemContext& ctx, std::size_t item, const std::string& parent,
                 const std::vector<std::string>& names) {
    const std::string stage = stagingFolder(ctx);
    if (stage.empty()) return ctx.fail("no scratch folder could be made in " + ctx.env.programFolder);
    // One subfolder per item: two items may have folders of the same name.
    const fs::path itemFolder = fs::path(stage) / std::to_string(item);
    std::error_code ec;
    fs::create_directories(itemFolder, ec);
    std::vector<std::string> archives;
    for (const auto& name : names) archives.push_back((itemFolder / (name + ".zip")).string());

    std::vector<std::string> problems(names.size());
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i; (i = next++) < names.size();) {
            problems[i] = packOne(ctx.Zip2, platform::joinHostPath(parent, names[i]), archives[i]);
        }
    };
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < std::min<std::size_t>(cores, names.size()); ++t) helpers.emplace_back(work);
    work();
    for (auto& h : helpers) h.join();
    for (std::size_t i = 0; i < names.size(); ++i) {
        ctx.yield();
        if (!problems[i].empty()) return ctx.fail(problems[i]);
        if (!ctx.Zip1.addFiles(archives[i], 1)) return ctx.fail(ctx.Zip1.lastError());
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
    const std::string fresh = makeUniqueFolder(parent, "." + name + ".restore-");
    bool ok = !fresh.empty() && ctx.Zip2.openArchive(archive) && ctx.Zip2.unzipAll(fresh) >= 0;
    ctx.Zip2.closeArchive();
    const fs::path target = fs::path(parent) / name;
    if (ok) ok = mode == UnpackMode::Replace ? swapFolder(fresh, target) : mergeFolder(fresh, target);
    if (!fresh.empty()) removeTree(fresh);
    fs::remove(archive, ec);
    return ok;
}

}  // namespace items

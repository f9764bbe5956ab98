#include "disc/DiscImage.h"

#include "backup/ZipNames.h"
#include "platform/FsPath.h"
#include "platform/RawFile.h"
#include "platform/Text.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace disc {
namespace {

bool ValidName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/") == std::string::npos;
}

std::time_t ModificationTime(const std::string& path) {
    const auto facts = platform::fileFacts(path);
    return facts ? static_cast<std::time_t>(facts->mtime) : 0;
}

void Count(const ImageNode& node, long* files, long* folders) {
    for (const auto& [name, child] : node.children) {
        if (child->item.isFolder) {
            ++*folders;
            Count(*child, files, folders);
        } else {
            ++*files;
        }
    }
}

void CollectFiles(const ImageNode& node, std::vector<ImageItem>* out) {
    for (const auto& [name, child] : node.children) {
        if (child->item.isFolder) CollectFiles(*child, out);
        else out->push_back(child->item);
    }
}

}  // namespace

bool ImageNameLess::operator()(const std::string& a, const std::string& b) const {
    return platform::toLowerAscii(a) < platform::toLowerAscii(b);
}

std::string ChildImagePath(const std::string& folder, const std::string& name) {
    return (folder == "\\" ? "" : folder) + "\\" + name;
}

DiscImage::DiscImage() {
    root_.item.isFolder = true;
    root_.item.imagePath.assign(1, '\\');  // not "=": GCC 12 misreads it as an overlapping copy
}

ImageNode* DiscImage::find(const std::string& imagePath) {
    if (imagePath == "\\" || imagePath.empty()) return &root_;
    if (imagePath[0] != '\\') return nullptr;
    ImageNode* node = &root_;
    std::size_t from = 1;
    while (node && from <= imagePath.size()) {
        const std::size_t to = std::min(imagePath.find('\\', from), imagePath.size());
        auto it = node->children.find(imagePath.substr(from, to - from));
        node = it == node->children.end() ? nullptr : it->second.get();
        from = to + 1;
    }
    return node;
}

// The existing folder that is to hold imagePath, with the new item's name.
ImageNode* DiscImage::folderFor(const std::string& imagePath, std::string* name) {
    const std::size_t cut = imagePath.rfind('\\');
    if (cut == std::string::npos) return nullptr;
    *name = imagePath.substr(cut + 1);
    ImageNode* parent = find(cut == 0 ? "\\" : imagePath.substr(0, cut));
    return parent && parent->item.isFolder && ValidName(*name) ? parent : nullptr;
}

bool DiscImage::AddFile(const std::string& sourcePath, const std::string& imagePath) {
    std::string name;
    ImageNode* parent = folderFor(imagePath, &name);
    std::error_code ec;
    if (!parent || !fs::is_regular_file(platform::fsPath(sourcePath), ec)) return false;
    auto existing = parent->children.find(name);
    if (existing != parent->children.end()) {
        if (existing->second->item.isFolder || !events().replaceFile(existing->second->item, sourcePath)) return false;
    }
    auto node = std::make_unique<ImageNode>();
    node->item.name = existing != parent->children.end() ? existing->first : name;
    node->item.parent = parent->item.imagePath;
    node->item.imagePath = ChildImagePath(parent->item.imagePath, node->item.name);
    node->item.size = fs::file_size(platform::fsPath(sourcePath), ec);
    node->item.date = ModificationTime(sourcePath);
    node->item.sourcePath = sourcePath;
    const ImageItem added = node->item;
    parent->children[node->item.name] = std::move(node);
    changed();
    events().itemAdded(added);
    return true;
}

bool DiscImage::AddFolder(const std::string& sourcePattern, const std::string& imagePath) {
    std::string hostFolder;
    std::error_code ec;
    if (!backup::SplitFolderPattern(sourcePattern, &hostFolder) || !fs::is_directory(platform::fsPath(hostFolder), ec)) return false;
    return addTree(hostFolder, imagePath);
}

bool DiscImage::addTree(const std::string& hostFolder, const std::string& imagePath) {
    std::string name;
    ImageNode* parent = folderFor(imagePath, &name);
    if (!parent) return false;
    auto slot = parent->children.find(name);
    if (slot != parent->children.end() && !slot->second->item.isFolder) return false;
    if (slot == parent->children.end()) {
        auto node = std::make_unique<ImageNode>();
        node->item.isFolder = true;
        node->item.name = name;
        node->item.parent = parent->item.imagePath;
        node->item.imagePath = ChildImagePath(parent->item.imagePath, name);
        node->item.date = ModificationTime(hostFolder);
        const ImageItem added = node->item;
        slot = parent->children.emplace(name, std::move(node)).first;
        changed();
        events().itemAdded(added);
    }
    const std::string folderPath = slot->second->item.imagePath;
    std::vector<fs::directory_entry> entries;
    std::error_code ec;
    for (fs::directory_iterator it(platform::fsPath(hostFolder), ec), end; !ec && it != end; it.increment(ec)) entries.push_back(*it);
    std::sort(entries.begin(), entries.end());
    bool all = !ec;
    for (const auto& e : entries) {
        std::error_code kind;
        const std::string child = ChildImagePath(folderPath, platform::pathText(e.path().filename()));
        // Links to folders are not followed: they could loop.
        if (e.is_directory(kind) && !e.is_symlink(kind)) all = addTree(platform::pathText(e.path()), child) && all;
        else if (e.is_regular_file(kind)) all = AddFile(platform::pathText(e.path()), child) && all;
    }
    return all;
}

bool DiscImage::RemoveItem(const std::string& imagePath) {
    std::string name;
    ImageNode* parent = folderFor(imagePath, &name);
    if (!parent) return false;
    auto it = parent->children.find(name);
    if (it == parent->children.end()) return false;
    const ImageItem removed = it->second->item;
    parent->children.erase(it);
    changed();
    events().itemRemoved(removed);
    return true;
}

void DiscImage::renumber(ImageNode& node, const std::string& parentPath) {
    node.item.previousPath = node.item.imagePath;
    node.item.parent = parentPath;
    node.item.imagePath = ChildImagePath(parentPath, node.item.name);
    for (auto& [name, child] : node.children) {
        renumber(*child, node.item.imagePath);
        // Subfolders move with their folder; their tree nodes need the new keys too.
        if (child->item.isFolder) events().itemRenamed(child->item);
    }
}

bool DiscImage::rename(const std::string& imagePath, const std::string& newName, bool folder) {
    std::string name;
    ImageNode* parent = folderFor(imagePath, &name);
    if (!parent) return false;
    auto it = parent->children.find(name);
    if (it == parent->children.end() || it->second->item.isFolder != folder || !ValidName(newName)) return false;
    auto clash = parent->children.find(newName);
    if (clash != parent->children.end() && clash != it) return false;
    std::unique_ptr<ImageNode> node = std::move(it->second);
    parent->children.erase(it);
    node->item.name = newName;
    renumber(*node, parent->item.imagePath);
    const ImageItem renamed = node->item;
    parent->children[newName] = std::move(node);
    changed();
    events().itemRenamed(renamed);
    return true;
}

bool DiscImage::RenameFile(const std::string& imagePath, const std::string& newName) {
    return rename(imagePath, newName, false);
}

bool DiscImage::RenameFolder(const std::string& imagePath, const std::string& newName) {
    return rename(imagePath, newName, true);
}

bool DiscImage::ListFolder(const std::string& imagePath) {
    ImageNode* folder = find(imagePath);
    if (!folder || !folder->item.isFolder) return false;
    for (const auto& [name, child] : folder->children) events().fileListed(child->item);
    return true;
}

void DiscImage::Clear() {
    root_.children.clear();
    changed();
    events().imageCleared();
}

long DiscImage::FileCount() const {
    long files = 0, folders = 0;
    Count(root_, &files, &folders);
    return files;
}

long DiscImage::FolderCount() const {
    long files = 0, folders = 0;
    Count(root_, &files, &folders);
    return folders;
}

std::vector<ImageItem> DiscImage::files() const {
    std::vector<ImageItem> out;
    CollectFiles(root_, &out);
    return out;
}

}  // namespace disc

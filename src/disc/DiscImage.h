#pragma once
// The data image being composed: a tree of folders and files, each file
// pointing at its source on disk. Every change is reported to the listener
// before the call returns, so a window can mirror the tree without reading it.

#include "disc/DiscRecords.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace disc {

class DiscImageEvents {
public:
    virtual ~DiscImageEvents() = default;
    virtual void itemAdded(const ImageItem&) {}
    virtual void fileListed(const ImageItem&) {}
    virtual void itemRenamed(const ImageItem&) {}
    virtual void itemRemoved(const ImageItem&) {}
    // A file of that image path exists already: true replaces it.
    virtual bool replaceFile(const ImageItem& /*existing*/, const std::string& /*newSource*/) { return false; }
    virtual void imageCleared() {}
};

// Case-insensitive like the file systems the discs are read on.
struct ImageNameLess {
    bool operator()(const std::string& a, const std::string& b) const;
};

struct ImageNode {
    ImageItem item;
    std::map<std::string, std::unique_ptr<ImageNode>, ImageNameLess> children;
};

class DiscImage {
public:
    DiscImage();
    void setEvents(DiscImageEvents* events) { events_ = events; }

    bool AddFile(const std::string& sourcePath, const std::string& imagePath);
    // sourcePattern: a host folder followed by "\*.*" (or "/*.*").
    bool AddFolder(const std::string& sourcePattern, const std::string& imagePath);
    bool RemoveItem(const std::string& imagePath);
    bool RenameFile(const std::string& imagePath, const std::string& newName);
    bool RenameFolder(const std::string& imagePath, const std::string& newName);
    bool ListFolder(const std::string& imagePath);
    void Clear();
    long FileCount() const;
    long FolderCount() const;

    const ImageNode& root() const { return root_; }
    // Every file of the image, in tree order.
    std::vector<ImageItem> files() const;
    // Grows on every change, so a computed image size can be reused until then.
    unsigned long revision() const { return revision_; }

private:
    ImageNode* find(const std::string& imagePath);
    ImageNode* folderFor(const std::string& imagePath, std::string* name);
    bool addTree(const std::string& hostFolder, const std::string& imagePath);
    bool rename(const std::string& imagePath, const std::string& newName, bool folder);
    void renumber(ImageNode& node, const std::string& parentPath);
    void changed() { ++revision_; }
    DiscImageEvents& events() { return events_ ? *events_ : silent_; }

    ImageNode root_;
    DiscImageEvents* events_ = nullptr;
    DiscImageEvents silent_;
    unsigned long revision_ = 0;
};

// "\" + name below the root, folder + "\" + name below a folder.
std::string ChildImagePath(const std::string& folder, const std::string& name);

}  // namespace disc

#pragma once
// Folders made, swapped and removed: the steps a run's scratch space and a
// restore's folder swap are built from.

#include <filesystem>
#include <string>

#include "platform/FsPath.h"

namespace platform {

// A fresh, empty folder "<parent>/<stem>XXXXXX" (six random letters and
// digits); empty text when none can be made.
std::string makeUniqueFolder(const std::string& parent, const std::string& stem);

// Removes a tree, read-only entries included (a folder without write
// permission would otherwise keep its files). True when nothing is left
// there, also when nothing was there.
bool removeTree(const std::string& root);

enum class Exchange {
    Done,         // each path now names what the other named
    Unsupported,  // the file system cannot swap in one step; nothing changed
    Failed,       // nothing changed
};
// Swaps two existing paths of one file system in one step, so that no
// moment exists at which either name is missing.
Exchange exchangePaths(const std::string& a, const std::string& b);

enum class Placed {
    Done,    // the file now has the new name
    Exists,  // a file or folder has that name already; nothing changed
    Failed,  // nothing changed
};
// Renames a file within one file system, never over anything that exists.
Placed moveWithoutReplacing(const std::string& from, const std::string& to);

// A private folder under the system's temporary folder for the life of the
// object, removed with its contents; empty when none could be made.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& stem)
        : path_(makeUniqueFolder(pathText(std::filesystem::temp_directory_path()), stem)) {}
    ~TemporaryFolder() {
        if (!path_.empty()) removeTree(path_);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace platform

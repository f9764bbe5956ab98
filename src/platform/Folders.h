#pragma once
// Folders made, swapped and removed: the steps a run's scratch space and a
// restore's folder swap are built from.

#include <string>

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

}  // namespace platform

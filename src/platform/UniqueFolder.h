#pragma once
// Private folders of this program: made fresh under a name no one else
// holds, and removed again with everything in them.

#include <string>

namespace platform {

// A new, empty folder in `parent` whose name starts with `stem`; empty text
// when none can be made.
std::string MakeUniqueFolder(const std::string& parent, const std::string& stem);

// Removes a tree, read-only entries included (a folder without write
// permission would keep its files).
void RemoveTree(const std::string& root);

}  // namespace platform

#pragma once
// Member names and add patterns of the zip component.

#include <string>

namespace backup {

// A member name that stays below the folder it is unpacked into: relative,
// no drive, no ".." component, no empty path.
bool IsSafeMemberName(const std::string& name);

// "<folder>/*.*" or "<folder>/*" (either separator): true with the folder.
bool SplitFolderPattern(const std::string& pathOrPattern, std::string* folder);

// Already-compressed members are stored, not compressed a second time.
bool ShouldStore(const std::string& memberName);

}  // namespace backup

#pragma once
// Member names and add patterns of the zip component.

#include <string>

namespace backup {

// A member name that stays below the folder it is unpacked into, here and on
// Windows: "/"-separated parts that are each a plain name (a folder entry
// ends with "/").
bool IsSafeMemberName(const std::string& name);

// "<folder>/*.*" or "<folder>/*" (either separator): true with the folder.
bool SplitFolderPattern(const std::string& pathOrPattern, std::string* folder);

// Already-compressed members are stored, not compressed a second time.
bool ShouldStore(const std::string& memberName);

}  // namespace backup

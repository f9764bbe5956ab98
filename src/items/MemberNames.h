#pragma once
// Member lists as the record keeps them ("a.zip;b.zip") and the check that a
// name read from a backup is a bare file name before it is used as one.

#include <string>
#include <vector>

namespace items {

std::string JoinMembers(const std::vector<std::string>& names);
// Split at ";", each name with surrounding blanks and a trailing NUL removed.
std::vector<std::string> SplitMembers(const std::string& list);

// A name that stays inside the folder it is extracted into: not empty, no
// "/" or "\", no drive, not "." or "..".
bool IsBareMemberName(const std::string& name);

}  // namespace items

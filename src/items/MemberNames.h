#pragma once
// Member lists as the record keeps them ("a.zip;b.zip"), and the names that
// members of a backup take on disk.

#include <optional>
#include <string>
#include <vector>

namespace items {

std::string JoinMembers(const std::vector<std::string>& names);
// Split at ";", each name with surrounding blanks and a trailing NUL removed.
std::vector<std::string> SplitMembers(const std::string& list);

// The file a member becomes: its own name. The folder a folder archive
// "<folder>.zip" becomes: its name without the last extension. Nothing
// unless the member's name and the derived name are both plain names
// (platform::IsPlainName) of the folder they go into.
std::optional<std::string> MemberFileName(const std::string& member);
std::optional<std::string> MemberFolderName(const std::string& member);

}  // namespace items

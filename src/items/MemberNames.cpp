#include "items/MemberNames.h"

#include "platform/Text.h"

namespace items {

std::string JoinMembers(const std::vector<std::string>& names) {
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i) list += (i ? ";" : "") + names[i];
    return list;
}

std::vector<std::string> SplitMembers(const std::string& list) {
    std::vector<std::string> names;
    for (const auto& part : platform::splitAll(list, ';')) names.push_back(platform::trimBlanks(platform::cutAtNul(part)));
    return names;
}

bool IsBareMemberName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    return name.find_first_of("/\\:") == std::string::npos;
}

}  // namespace items

#include "items/MemberNames.h"

#include "platform/HostPath.h"
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

std::optional<std::string> MemberFileName(const std::string& member) {
    if (!platform::IsPlainName(member)) return std::nullopt;
    return member;
}

std::optional<std::string> MemberFolderName(const std::string& member) {
    if (!MemberFileName(member)) return std::nullopt;
    const std::string folder = member.substr(0, member.rfind('.'));
    if (!platform::IsPlainName(folder)) return std::nullopt;
    return folder;
}

}  // namespace items

#include "backup/ZipNames.h"

#include "platform/HostPath.h"
#include "platform/Text.h"

namespace backup {

bool IsSafeMemberName(const std::string& name) {
    std::string_view path = name;
    if (!path.empty() && path.back() == '/') path.remove_suffix(1);
    for (const auto& part : platform::splitAll(path, '/')) {
        if (!platform::IsPlainName(part)) return false;
    }
    return true;
}

bool SplitFolderPattern(const std::string& pathOrPattern, std::string* folder) {
    for (const char* tail : {"/*.*", "\\*.*", "/*", "\\*"}) {
        if (platform::endsWith(pathOrPattern, tail)) {
            *folder = pathOrPattern.substr(0, pathOrPattern.size() - std::string(tail).size());
            return true;
        }
    }
    return false;
}

bool ShouldStore(const std::string& memberName) {
    return platform::endsWith(platform::toLowerAscii(memberName), ".zip");
}

}  // namespace backup

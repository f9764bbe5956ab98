#include "backup/ZipNames.h"

#include "platform/Text.h"

namespace backup {

bool IsSafeMemberName(const std::string& name) {
    if (name.empty() || name.front() == '/' || name.front() == '\\') return false;
    if (name.find(':') != std::string::npos) return false;  // drives, and names Windows cannot hold
    std::string unified = platform::replaceAll(name, "\\", "/");
    for (const auto& part : platform::splitAll(unified, '/')) {
        if (part == "..") return false;
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

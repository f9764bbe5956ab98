#include "platform/HostPath.h"

#include <cctype>

namespace platform {

std::string joinHostPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    char last = folder.back();
    if (last == '/' || last == '\\') return folder + name;
    return folder + kHostSeparator + name;
}

std::string folderPartWithSeparator(const std::string& path) {
    auto pos = path.find_last_of("/\\");
    return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string bareName(const std::string& path) {
    auto pos = path.find_last_of("/\\");
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

bool isWindowsPath(const std::string& path) {
    return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (!isWindowsPath(folder)) return joinHostPath(folder, name);
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) return folder + name;
    return folder + "\\" + name;
}

std::string prefixViewOf(const std::string& hostPath) {
#ifdef _WIN32
    return hostPath;
#else
    std::string view = "Z:" + hostPath;
    for (char& c : view) {
        if (c == '/') c = '\\';
    }
    return view;
#endif
}

}  // namespace platform

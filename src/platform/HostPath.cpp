#include "platform/HostPath.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "platform/Text.h"

namespace platform {

namespace {

// Windows opens a device for these, whatever extension follows.
bool isDeviceName(std::string_view name) {
    std::string stem = toUpperAscii(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    static const std::array<std::string_view, 4> kDevices{"CON", "PRN", "AUX", "NUL"};
    for (auto device : kDevices) {
        if (stem == device) return true;
    }
    if (stem.rfind("COM", 0) != 0 && stem.rfind("LPT", 0) != 0) return false;
    const std::string_view number = std::string_view(stem).substr(3);
    // A digit, or superscript one, two or three in UTF-8.
    return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xC2\xB9" ||
           number == "\xC2\xB2" || number == "\xC2\xB3";
}

bool isForbiddenCharacter(unsigned char c) {
    return c < 0x20 || c == 0x7F ||
           std::string_view("<>:\"/\\|?*").find(static_cast<char>(c)) != std::string_view::npos;
}

}  // namespace

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

std::string inOneForm(const std::string& path) {
    const char separator = isWindowsPath(path) ? '\\' : kHostSeparator;
    std::string result = path;
    for (char& c : result) {
        if (c == '/' || c == '\\') c = separator;
    }
    return result;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    const std::string uniform = inOneForm(folder);
    if (!isWindowsPath(uniform)) return joinHostPath(uniform, name);
    if (uniform.back() == '\\') return uniform + name;
    return uniform + "\\" + name;
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

bool IsPlainName(std::string_view name) {
    if (name.find_first_not_of(". ") == std::string_view::npos) return false;
    if (name.back() == '.' || name.back() == ' ') return false;
    for (unsigned char c : name) {
        if (isForbiddenCharacter(c)) return false;
    }
    return !isDeviceName(name);
}

std::string NearestPlainName(std::string_view name) {
    if (name.find_first_not_of(". ") == std::string_view::npos) return "_";
    std::string plain(name);
    for (char& c : plain) {
        if (isForbiddenCharacter(static_cast<unsigned char>(c))) c = '_';
    }
    for (auto end = plain.rbegin(); end != plain.rend() && (*end == '.' || *end == ' '); ++end) *end = '_';
    if (isDeviceName(plain)) plain.insert(std::min(plain.find('.'), plain.size()), "_");
    return plain;
}

}  // namespace platform

#include "platform/Environment.h"

#include <filesystem>

#include "platform/FsPath.h"
#include "platform/HostPath.h"

namespace platform {

std::string Environment::fullPath(const std::string& path) const {
    if (path.empty() || isWindowsPath(path)) return inOneForm(path);
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(fsPath(inOneForm(path)), ec);
    return ec ? path : pathText(absolute.lexically_normal());
}

std::string Environment::programFile(const std::string& name) const { return joinHostPath(programFolder, name); }

}  // namespace platform

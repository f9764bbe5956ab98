#include "platform/Folders.h"

#include <windows.h>

#include <filesystem>
#include <random>

#include "platform/FsPath.h"
#include "platform/HostPath.h"
#include "platform/win32/WideText.h"

namespace platform {

namespace fs = std::filesystem;

std::string makeUniqueFolder(const std::string& parent, const std::string& stem) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device rd;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string name = stem;
        for (int i = 0; i < 6; ++i) name += kLetters[rd() % (sizeof kLetters - 1)];
        const std::string path = joinHostPath(parent, name);
        if (CreateDirectoryW(wide(path).c_str(), nullptr)) return path;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return {};
    }
    return {};
}

bool removeTree(const std::string& root) {
    std::error_code ec;
    const fs::path path = fsPath(root);
    if (fs::remove_all(path, ec) != static_cast<std::uintmax_t>(-1) && !ec) return true;
    // Read-only files refuse deletion on Windows until the attribute is cleared.
    for (auto it = fs::recursive_directory_iterator(path, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(path, ec);
    return !fs::exists(fs::symlink_status(path, ec));
}

Exchange exchangePaths(const std::string&, const std::string&) {
    // Windows has no call that swaps two names in one step.
    return Exchange::Unsupported;
}

Placed moveWithoutReplacing(const std::string& from, const std::string& to) {
    // Without MOVEFILE_REPLACE_EXISTING the move refuses a name that is taken.
    if (MoveFileExW(wide(from).c_str(), wide(to).c_str(), 0)) return Placed::Done;
    const DWORD code = GetLastError();
    // A folder in the way is refused with another code than a file.
    const bool taken = code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS ||
                       GetFileAttributesW(wide(to).c_str()) != INVALID_FILE_ATTRIBUTES;
    return taken ? Placed::Exists : Placed::Failed;
}

}  // namespace platform

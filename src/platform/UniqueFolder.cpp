#include "platform/UniqueFolder.h"

#include <cstdlib>
#include <filesystem>

#include "platform/HostPath.h"

namespace platform {

namespace fs = std::filesystem;

std::string MakeUniqueFolder(const std::string& parent, const std::string& stem) {
    std::string templ = joinHostPath(parent, stem + "XXXXXX");
    if (!::mkdtemp(templ.data())) return {};
    return templ;
}

void RemoveTree(const std::string& root) {
    std::error_code ec;
    if (fs::remove_all(root, ec) != static_cast<std::uintmax_t>(-1) && !ec) return;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        std::error_code ignored;
        if (it->is_directory(ignored)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
    }
    fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root, ec);
}

}  // namespace platform

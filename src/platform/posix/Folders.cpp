#include "platform/Folders.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/HostPath.h"

#ifndef RENAME_EXCHANGE
#define RENAME_EXCHANGE (1 << 1)
#endif

namespace platform {

namespace fs = std::filesystem;

namespace {

#ifdef __linux__
int renameExchange(const char* a, const char* b) {
#if defined(__GLIBC__) && __GLIBC_PREREQ(2, 28)
    return ::renameat2(AT_FDCWD, a, AT_FDCWD, b, RENAME_EXCHANGE);
#else
    // Older C libraries have no wrapper for the call.
    return static_cast<int>(::syscall(SYS_renameat2, AT_FDCWD, a, AT_FDCWD, b, RENAME_EXCHANGE));
#endif
}
#endif

}  // namespace

std::string makeUniqueFolder(const std::string& parent, const std::string& stem) {
    std::string templ = joinHostPath(parent, stem + "XXXXXX");
    if (!::mkdtemp(templ.data())) return {};
    return templ;
}

bool removeTree(const std::string& root) {
    std::error_code ec;
    if (fs::remove_all(root, ec) != static_cast<std::uintmax_t>(-1) && !ec) return true;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        std::error_code ignored;
        if (it->is_directory(ignored)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root, ec);
    return !fs::exists(fs::symlink_status(root, ec));
}

Exchange exchangePaths(const std::string& a, const std::string& b) {
#ifdef __linux__
    if (renameExchange(a.c_str(), b.c_str()) == 0) return Exchange::Done;
    return errno == EINVAL || errno == ENOSYS ? Exchange::Unsupported : Exchange::Failed;
#else
    return Exchange::Unsupported;
#endif
}

}  // namespace platform

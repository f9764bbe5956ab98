#include "platform/Folders.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/HostPath.h"

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif
#ifndef RENAME_EXCHANGE
#define RENAME_EXCHANGE (1 << 1)
#endif

namespace platform {

namespace fs = std::filesystem;

namespace {

#ifdef __linux__
int renameWith(const char* a, const char* b, unsigned flags) {
#if defined(__GLIBC__) && __GLIBC_PREREQ(2, 28)
    return ::renameat2(AT_FDCWD, a, AT_FDCWD, b, flags);
#else
    // Older C libraries have no wrapper for the call.
    return static_cast<int>(::syscall(SYS_renameat2, AT_FDCWD, a, AT_FDCWD, b, flags));
#endif
}
#endif

// Where the file system cannot rename without replacing: a second name
// that link() refuses to put over anything, then the first one goes.
Placed linkThenUnlink(const std::string& from, const std::string& to) {
    if (::link(from.c_str(), to.c_str()) != 0) return errno == EEXIST ? Placed::Exists : Placed::Failed;
    ::unlink(from.c_str());
    return Placed::Done;
}

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
    if (renameWith(a.c_str(), b.c_str(), RENAME_EXCHANGE) == 0) return Exchange::Done;
    return errno == EINVAL || errno == ENOSYS ? Exchange::Unsupported : Exchange::Failed;
#else
    return Exchange::Unsupported;
#endif
}

Placed moveWithoutReplacing(const std::string& from, const std::string& to) {
#ifdef __linux__
    if (renameWith(from.c_str(), to.c_str(), RENAME_NOREPLACE) == 0) return Placed::Done;
    if (errno == EEXIST) return Placed::Exists;
    if (errno != EINVAL && errno != ENOSYS) return Placed::Failed;
#endif
    return linkThenUnlink(from, to);
}

}  // namespace platform

#include "platform/Environment.h"

#include <QString>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/HostPath.h"

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

namespace platform {

namespace {

namespace fs = std::filesystem;

std::string environmentValue(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string homeFolder() {
    std::string home = environmentValue("HOME");
#ifndef _WIN32
    if (home.empty()) {
        if (const passwd* pw = getpwuid(getuid())) home = pw->pw_dir;
    }
#endif
    return home;
}

std::string loginName() {
#ifndef _WIN32
    if (const passwd* pw = getpwuid(getuid())) return pw->pw_name;
    return environmentValue("USER");
#else
    return environmentValue("USERNAME");
#endif
}

std::string hostName() {
#ifndef _WIN32
    char buf[256] = {};
    if (gethostname(buf, sizeof buf - 1) == 0) return buf;
    return {};
#else
    return environmentValue("COMPUTERNAME");
#endif
}

bool folderIsWritable(const std::string& folder) {
#ifndef _WIN32
    return !folder.empty() && access(folder.c_str(), W_OK) == 0;
#else
    return !folder.empty();
#endif
}

// The program folder: TARNHOLD_HOME, else the executable's folder when it
// holds the program's own files and can be written (a build tree, or a copy
// kept in one folder), else the per-user data folder (created on first use).
// An installed executable shares bin/ with other programs: its files never go
// there, even for root, who may write anywhere.
std::string chooseProgramFolder(const std::string& executableFolder, bool selfContained) {
    std::string home = environmentValue("TARNHOLD_HOME");
    if (home.empty() && selfContained && folderIsWritable(executableFolder)) home = executableFolder;
    if (home.empty()) {
        std::string data = environmentValue("XDG_DATA_HOME");
        if (data.empty()) data = homeFolder() + "/.local/share";
        home = data + "/tarnhold";
    }
    std::error_code ec;
    fs::create_directories(home, ec);
    return home;
}

// An installation keeps the executable in <prefix>/bin and what it reads in
// <prefix>/share/tarnhold; a build tree copies both beside the executable.
// The Windows build ships its help beside the executable.
std::string chooseResourceFolder(const std::string& executableFolder) {
#ifndef _WIN32
    std::error_code ec;
    if (!fs::is_directory(joinHostPath(executableFolder, "help"), ec)) {
        return (fs::path(executableFolder) / ".." / "share" / "tarnhold").lexically_normal().string();
    }
#endif
    return executableFolder;
}

bool hasDrive(const std::string& path) { return isWindowsPath(path); }

std::string slashed(std::string path) {
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    return path;
}

// The entry of `folder` whose name equals `name` without regard to case.
std::optional<std::string> entryNamedLike(const std::string& folder, const std::string& name) {
    const QString wanted = QString::fromStdString(name);
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string candidate = it->path().filename().string();
        if (QString::fromStdString(candidate).compare(wanted, Qt::CaseInsensitive) == 0) return candidate;
    }
    return std::nullopt;
}

// `root` + "/" + `rest`, each component of `rest` matched as Wine matches
// file names: without regard to case when it does not exist as written.
// Components below one that exists in no case stay as written.
std::string resolvedBelow(const std::string& root, const std::string& rest) {
    std::string path = root;
    bool resolving = true;
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t end = rest.find('/', start);
        if (end == std::string::npos) end = rest.size();
        const std::string name = rest.substr(start, end - start);
        start = end + 1;
        if (name.empty()) continue;
        std::string next = path + "/" + name;
        std::error_code ec;
        if (resolving && name != "." && name != ".." && !fs::exists(next, ec)) {
            if (auto match = entryNamedLike(path, name))
                next = path + "/" + *match;
            else
                resolving = false;
        }
        path = std::move(next);
    }
    return path;
}

}  // namespace

Environment Environment::fromProcess(const std::string& executableFolder) {
    Environment env;
    env.winePrefix = environmentValue("WINEPREFIX");
    if (env.winePrefix.empty()) env.winePrefix = homeFolder() + "/.wine";
    env.executableFolder = executableFolder;
    env.resourceFolder = chooseResourceFolder(executableFolder);
    env.programFolder = chooseProgramFolder(executableFolder, env.resourceFolder == executableFolder);
    env.computerName = hostName();
    env.userName = loginName();
    env.userProfile = environmentValue("USERPROFILE");
    return env;
}

std::string Environment::fullPath(const std::string& path) const {
    if (path.empty() || hasDrive(path)) return inOneForm(path);
    std::error_code ec;
    const fs::path absolute = fs::absolute(slashed(path), ec);
    return ec ? path : absolute.lexically_normal().string();
}

std::string Environment::hostPath(const std::string& windowsPath) const {
#ifdef _WIN32
    return windowsPath;
#else
    if (!hasDrive(windowsPath)) return slashed(windowsPath);
    const char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(windowsPath[0])));
    std::string rest = slashed(windowsPath.substr(2));
    if (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
    std::string root = winePrefix + "/dosdevices/" + drive + ":";
    std::error_code ec;
    if (drive == 'c' && !fs::exists(root, ec)) root = winePrefix + "/drive_c";
    return rest.empty() ? root : resolvedBelow(root, rest);
#endif
}

std::string Environment::programFile(const std::string& name) const {
    return joinHostPath(programFolder, name);
}

}  // namespace platform

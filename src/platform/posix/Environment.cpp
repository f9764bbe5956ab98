#include "platform/Environment.h"

#include <cctype>
#include <clocale>
#include <cwctype>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/HostPath.h"

#include <locale.h>
#include <pwd.h>
#include <unistd.h>

#include "platform/Registry.h"

namespace platform {

namespace {

namespace fs = std::filesystem;

std::string environmentValue(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string homeFolder() {
    std::string home = environmentValue("HOME");
    if (home.empty()) {
        if (const passwd* pw = getpwuid(getuid())) home = pw->pw_dir;
    }
    return home;
}

std::string loginName() {
    if (const passwd* pw = getpwuid(getuid())) return pw->pw_name;
    return environmentValue("USER");
}

std::string hostName() {
    char buf[256] = {};
    if (gethostname(buf, sizeof buf - 1) == 0) return buf;
    return {};
}

bool folderIsWritable(const std::string& folder) { return !folder.empty() && access(folder.c_str(), W_OK) == 0; }

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
std::string chooseResourceFolder(const std::string& executableFolder) {
    std::error_code ec;
    if (!fs::is_directory(joinHostPath(executableFolder, "help"), ec)) {
        return (fs::path(executableFolder) / ".." / "share" / "tarnhold").lexically_normal().string();
    }
    return executableFolder;
}

bool hasDrive(const std::string& path) { return isWindowsPath(path); }

std::string slashed(std::string path) {
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    return path;
}

// A file name as Wine compares names: each UTF-16 unit in lower case, by
// Unicode's own mapping, not the user's locale's.
std::u16string foldedFileName(const std::string& name) {
    static const locale_t unicode = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    std::u16string units = utf8ToUtf16(name);
    for (char16_t& unit : units) {
        if (unit < 0x80) {
            if (unit >= 'A' && unit <= 'Z') unit = static_cast<char16_t>(unit - 'A' + 'a');
        } else if (unicode && (unit < 0xD800 || unit > 0xDFFF)) {
            unit = static_cast<char16_t>(::towlower_l(static_cast<wint_t>(unit), unicode));
        }
    }
    return units;
}

// The entry of `folder` whose name equals `name` without regard to case.
std::optional<std::string> entryNamedLike(const std::string& folder, const std::string& name) {
    const std::u16string wanted = foldedFileName(name);
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string candidate = it->path().filename().string();
        if (foldedFileName(candidate) == wanted) return candidate;
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

std::string Environment::runningExecutable() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : self.string();
}

std::string Environment::runningExecutableFolder() {
    const std::string self = runningExecutable();
    return self.empty() ? std::string(".") : fs::path(self).parent_path().string();
}

std::string Environment::hostPath(const std::string& windowsPath) const {
    if (!hasDrive(windowsPath)) return slashed(windowsPath);
    const char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(windowsPath[0])));
    std::string rest = slashed(windowsPath.substr(2));
    if (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
    std::string root = winePrefix + "/dosdevices/" + drive + ":";
    std::error_code ec;
    if (drive == 'c' && !fs::exists(root, ec)) root = winePrefix + "/drive_c";
    return rest.empty() ? root : resolvedBelow(root, rest);
}

}  // namespace platform

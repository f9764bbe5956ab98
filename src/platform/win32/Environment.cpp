#include "platform/Environment.h"

#include <windows.h>
#include <shlobj.h>

#include <filesystem>

#include "platform/FsPath.h"
#include "platform/HostPath.h"
#include "platform/win32/WideText.h"

namespace platform {

namespace {

std::string environmentValue(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    const DWORD n = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(n);
    return utf8(value);
}

// A name the system gives through a call that fills a buffer, cut at its zero.
template <class Call>
std::string systemName(Call call) {
    wchar_t buffer[256] = {};
    DWORD size = static_cast<DWORD>(std::size(buffer));
    if (!call(buffer, &size)) return {};
    return utf8(buffer);
}

// Writing is tried, not inferred from attributes: Program Files refuses it
// through its permissions, which attributes do not show.
bool folderIsWritable(const std::string& folder) {
    if (folder.empty()) return false;
    const std::wstring probe = wide(joinHostPath(folder, "tarnhold-write-test.tmp"));
    HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

std::string localApplicationData() {
    PWSTR path = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &path))) folder = utf8(path);
    CoTaskMemFree(path);
    return folder.empty() ? environmentValue(L"LOCALAPPDATA") : folder;
}

// The program folder: TARNHOLD_HOME, else the executable's folder when it
// can be written (a copy kept in one folder), else a folder of the user's
// own (an installation under Program Files).
std::string chooseProgramFolder(const std::string& executableFolder) {
    std::string home = environmentValue(L"TARNHOLD_HOME");
    if (home.empty() && folderIsWritable(executableFolder)) home = executableFolder;
    if (home.empty()) home = joinHostPath(localApplicationData(), "tarnhold");
    std::error_code ec;
    std::filesystem::create_directories(fsPath(home), ec);
    return home;
}

}  // namespace

Environment Environment::fromProcess(const std::string& executableFolder) {
    Environment env;
    env.executableFolder = executableFolder;
    env.resourceFolder = executableFolder;  // help and skins are installed beside the program
    env.programFolder = chooseProgramFolder(executableFolder);
    env.computerName = systemName([](wchar_t* b, DWORD* n) { return GetComputerNameW(b, n) != 0; });
    env.userName = systemName([](wchar_t* b, DWORD* n) { return GetUserNameW(b, n) != 0; });
    env.userProfile = environmentValue(L"USERPROFILE");
    return env;
}

std::string Environment::runningExecutable() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return pathText(std::filesystem::path(path));
        }
        path.resize(path.size() * 2);
    }
}

std::string Environment::runningExecutableFolder() {
    const std::string self = runningExecutable();
    return self.empty() ? std::string(".") : pathText(fsPath(self).parent_path());
}

std::string Environment::hostPath(const std::string& windowsPath) const { return windowsPath; }

}  // namespace platform

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <zlib.h>

#ifdef _WIN32
#define popen _popen
#define pclose _pclose
#else
#include <sys/wait.h>
#endif

namespace testing_support {

TempDir::TempDir() {
    std::random_device rd;
    auto base = std::filesystem::temp_directory_path();
    for (;;) {
        path_ = base / ("tarnhold-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(path_)) break;
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

namespace {

void setVariable(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value ? value : "");  // an empty value removes it
#else
    if (value) setenv(name, value, 1);
    else unsetenv(name);
#endif
}

}  // namespace

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, hadOld_ = true;
    setVariable(name, value);
}

ScopedEnv::~ScopedEnv() { setVariable(name_, hadOld_ ? old_.c_str() : nullptr); }

std::size_t zlibCompressedSize(const std::string& data, int level) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                  static_cast<uLong>(data.size()), level) != Z_OK) {
        ADD_FAILURE() << "zlib could not compress " << data.size() << " bytes";
    }
    return size;
}

std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::filesystem::path& p, const std::string& contents) {
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << contents;
}

std::vector<std::string> namesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

Snapshot filesBelow(const std::filesystem::path& root) {
    Snapshot files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        files[std::filesystem::relative(e.path(), root).string()] = e.is_directory() ? "<dir>" : readFile(e.path());
    }
    return files;
}

std::string shellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') q += "'\\''";
        else q += c;
    }
    return q + "'";
}

int runCommand(const std::string& commandLine, std::string* output) {
    std::string cmd = commandLine + " 2>&1";
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe) return -1;
    std::array<char, 4096> buf{};
    std::string out;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0) out.append(buf.data(), n);
    int status = pclose(pipe);
    if (output) *output = out;
#ifdef _WIN32
    return status;
#else
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

void makeSamplePrefix(const std::filesystem::path& prefix, const std::vector<std::string>& args) {
    std::string cmd = shellQuote(TARNHOLD_SAMPLE_TOOL);
    (cmd += ' ') += shellQuote(prefix.string());
    for (const auto& a : args) (cmd += ' ') += shellQuote(a);
    std::string out;
    int rc = runCommand(cmd, &out);
    ASSERT_EQ(rc, 0) << "sample generator failed: " << out;
}

}  // namespace testing_support

#include "support/TestEnvironment.h"

namespace testing_support {

void registryBelow(platform::Registry& reg, const std::string& path, Snapshot* out) {
    for (const auto& v : reg.values(platform::Hive::CurrentUser, path)) {
        (*out)[path + "|" + v.name] = std::to_string(v.type) + ":" + v.text() + ":" + std::to_string(v.data.size());
    }
    for (const auto& sub : reg.subkeys(platform::Hive::CurrentUser, path)) registryBelow(reg, path + "\\" + sub, out);
}

platform::Environment makeEnvironment(const std::filesystem::path& root) {
    platform::Environment env;
    env.winePrefix = (root / "prefix").string();
    env.programFolder = (root / "home").string();
    env.executableFolder = (root / "bin").string();
    env.resourceFolder = (root / "bin").string();
    env.userName = "owner";
    env.computerName = "DESKTOP-01";
    env.userProfile = "C:\\users\\owner";
    std::filesystem::create_directories(root / "prefix" / "drive_c");
    std::filesystem::create_directories(env.programFolder);
    return env;
}

}  // namespace testing_support

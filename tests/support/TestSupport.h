#pragma once
// Helpers shared by the tests: private temporary folders and generated
// sample prefixes. Nothing here touches the developer's home.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace testing_support {

// A fresh folder under the system temp folder, removed with its contents.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& p);
void writeFile(const std::filesystem::path& p, const std::string& contents);
// The names of the entries directly in a folder, sorted.
std::vector<std::string> namesIn(const std::filesystem::path& folder);
// Every file and folder below `root`, by its relative path: a file with its
// contents, a folder as "<dir>".
using Snapshot = std::map<std::string, std::string>;
Snapshot filesBelow(const std::filesystem::path& root);

// Sets an environment variable (or unsets it, for nullptr) for the life of
// the object, then restores what was there.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::string old_;
    bool hadOld_ = false;
};

// Runs the project's sample generator: make-sample-prefix <prefix> <args...>.
// Fails the calling test when the generator fails.
void makeSamplePrefix(const std::filesystem::path& prefix, const std::vector<std::string>& args = {});

// The size of `data` compressed by zlib at `level`.
std::size_t zlibCompressedSize(const std::string& data, int level = -1);

// For tests of what only a Wine prefix on a POSIX host has (its drive
// mapping, its file permissions, one-step folder exchange).
#ifdef _WIN32
#define SKIP_ON_WINDOWS(why) GTEST_SKIP() << "not on Windows: " << (why)
#else
#define SKIP_ON_WINDOWS(why) (void)0
#endif

// `s` as one single-quoted shell word.
std::string shellQuote(const std::string& s);

// Runs a command line through /bin/sh and returns its exit status; stdout and
// stderr go to *output when given.
int runCommand(const std::string& commandLine, std::string* output = nullptr);
// The start of a command line that runs the rest under strace: in a
// sanitized build the leak check is left out, as it cannot work under ptrace.
inline constexpr const char* kStrace = "ASAN_OPTIONS=\"$ASAN_OPTIONS:detect_leaks=0\" strace ";

}  // namespace testing_support

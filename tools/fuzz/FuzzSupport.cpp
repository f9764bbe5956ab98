#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fuzz {

namespace fs = std::filesystem;

namespace {

fs::path makeScratch() {
    std::string templ = (fs::temp_directory_path() / "tarnhold-fuzz-XXXXXX").string();
    if (!::mkdtemp(templ.data())) Fail("mkdtemp", templ);
    const fs::path root = templ;
    for (const char* sub : {"prefix/drive_c", "home", "data"}) fs::create_directories(root / sub);
    ::setenv("WINEPREFIX", (root / "prefix").c_str(), 1);
    ::setenv("TARNHOLD_HOME", (root / "home").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    return root;
}

void removeScratch() {
    std::error_code ec;
    fs::remove_all(Scratch(), ec);
}

}  // namespace

const fs::path& Scratch() {
    static const fs::path root = makeScratch();
    // Registered after `root` exists, so it runs while `root` still does.
    static const bool removedAtExit = std::atexit(removeScratch) == 0;
    (void)removedAtExit;
    return root;
}

void WriteBytes(const fs::path& file, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) Fail("write", file.string());
}

void WriteBytes(const fs::path& file, const std::string& bytes) {
    WriteBytes(file, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::string ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

void Fail(const char* condition, const std::string& detail) {
    std::fprintf(stderr, "fuzz check failed: %s\n%s\n", condition, detail.c_str());
    std::abort();
}

}  // namespace fuzz

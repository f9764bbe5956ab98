#pragma once
// Shared by the fuzz targets: a private scratch folder for code that reads
// files by path, and a check that aborts so libFuzzer keeps the input.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace fuzz {

// This process's scratch folder below the system temp folder (TMPDIR), made
// on first use and removed at a normal exit. WINEPREFIX, TARNHOLD_HOME and
// XDG_DATA_HOME point into it, so nothing a target runs can reach the
// developer's own prefix or home.
const std::filesystem::path& Scratch();

// Replaces the file with the bytes.
void WriteBytes(const std::filesystem::path& file, const std::uint8_t* data, std::size_t size);
void WriteBytes(const std::filesystem::path& file, const std::string& bytes);
std::string ReadBytes(const std::filesystem::path& file);

// Prints what broke and aborts.
[[noreturn]] void Fail(const char* condition, const std::string& detail);

}  // namespace fuzz

#define FUZZ_CHECK(condition, detail)                                   \
    do {                                                                \
        if (!(condition)) ::fuzz::Fail(#condition, (detail));           \
    } while (0)

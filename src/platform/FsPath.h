#pragma once
// std::filesystem paths from and to the program's texts, which are UTF-8.
// On Windows a path made from a narrow string would be read in the ANSI
// code page and lose every character outside it; these keep them all.

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

inline std::filesystem::path fsPath(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string pathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace platform

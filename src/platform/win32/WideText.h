#pragma once
// The program's UTF-8 texts as the wide-character Windows API takes them,
// and back: every name keeps its characters, whatever the ANSI code page.

#include <string>
#include <string_view>

namespace platform {

std::wstring wide(std::string_view utf8);
std::string utf8(std::wstring_view text);
// The system's text for an error code of GetLastError().
std::string systemErrorText(unsigned long code);

}  // namespace platform

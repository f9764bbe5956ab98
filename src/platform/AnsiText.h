#pragma once
// The one reader and writer of the program's ANSI text files: code page 1252
// with CR LF line ends (information record, log, settings, registry exports).
// Program text is UTF-8 inside; conversion happens only here.

#include <optional>
#include <string>
#include <vector>

namespace platform {

// UTF-8 -> CP1252 bytes; characters the code page lacks become "?".
std::string toAnsi(const std::string& utf8);
// CP1252 bytes -> UTF-8.
std::string fromAnsi(const std::string& ansi);

// Appends `line` and CR LF to the file (created when missing). False, with
// nothing written, when the file cannot be opened.
bool appendAnsiLine(const std::string& hostPath, const std::string& line);
// Replaces the file atomically with the lines, each followed by CR LF.
bool writeAnsiLines(const std::string& hostPath, const std::vector<std::string>& lines);
// The file's lines split at CR LF (a lone LF also ends a line; a lone CR is
// kept as part of its line). Nothing when the file cannot be read.
std::optional<std::vector<std::string>> readAnsiLines(const std::string& hostPath);

}  // namespace platform

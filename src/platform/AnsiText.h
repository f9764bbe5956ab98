#pragma once
// The one reader and writer of the program's ANSI text files: the prefix's
// ANSI code page with CR LF line ends (information record, log, settings,
// registry exports). Program text is UTF-8 inside; conversion happens only here.

#include <optional>
#include <string>
#include <vector>

namespace platform {

// The code page of every conversion: the prefix's "ACP". 1252 until set,
// and for a number the system's converter does not know.
void SetAnsiCodePage(unsigned codePage);
unsigned AnsiCodePage();

// UTF-8 -> the code page's bytes; nothing when a character is not in it.
std::optional<std::string> toAnsiExact(const std::string& utf8);
bool fitsAnsi(const std::string& utf8);
// UTF-8 -> the code page's bytes for texts where a lost character must
// still show (the log): a character the code page lacks is written as
// "<U+XXXX>", a byte that is no UTF-8 as "?".
std::string toAnsi(const std::string& utf8);
// The code page's bytes -> UTF-8.
std::string fromAnsi(const std::string& ansi);

// Appends `line` and CR LF to the file (created when missing), converted
// with toAnsi. False, with nothing written, when the file cannot be opened.
bool appendAnsiLine(const std::string& hostPath, const std::string& line);
// The same for texts that must come back exactly: false, with nothing
// written, when a character is not in the code page.
bool appendAnsiLineExact(const std::string& hostPath, const std::string& line);
// Replaces the file atomically with the lines, each followed by CR LF; false,
// with the file untouched, when a character is not in the code page.
bool writeAnsiLines(const std::string& hostPath, const std::vector<std::string>& lines);
// The file's lines split at CR LF (a lone LF also ends a line; a lone CR is
// kept as part of its line). Nothing when the file cannot be read.
std::optional<std::vector<std::string>> readAnsiLines(const std::string& hostPath);

}  // namespace platform

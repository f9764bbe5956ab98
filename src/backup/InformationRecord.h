#pragma once
// The backup's information record ("oebackup.dat"): key=value lines in
// CP1252 with CR LF, only ever appended to; read back by key without regard
// to case, the first match winning.

#include <optional>
#include <string>

namespace backup {

inline constexpr const char* kInfoRecordName = "oebackup.dat";
// Stands for each line break of the description, so it fits on one line.
inline constexpr const char* kLineBreakMarker = "PS$OEB";
inline constexpr std::size_t kItemFlagsLength = 11;
// A record is a few hundred bytes; a member beyond this is no record.
inline constexpr std::size_t kInfoRecordLimit = 4u << 20;

// Appends "KeyName=KeyValue" and CR LF; false, with nothing written, when the
// file cannot be written or the line holds a character the code page lacks.
bool SaveINI(const std::string& KeyName, const std::string& KeyValue, const std::string& filename);

// The value after the first "=" of the first line whose key matches (a
// trailing NUL dropped), or empty text. The scan stops at the first empty
// line. Nothing when the file cannot be read.
std::optional<std::string> GetINI(const std::string& KeyName, const std::string& filename);

// The description as stored ("PS$OEB" for each CR LF) and as shown again.
std::string EncodeDescription(const std::string& text);
std::string DecodeDescription(const std::string& stored);

}  // namespace backup

#pragma once
// "settings.dat": sections of key=value lines, read and written one key at a
// time. Section and key names match without regard to case.

#include <string>

namespace platform { struct Environment; }

namespace config {

inline constexpr std::size_t kSettingReadLimit = 127;
inline constexpr std::size_t kSettingWriteLimit = 128;

// The stored value with blanks trimmed (at most 127 characters), or empty text
// when the file, section or key is missing or unreadable.
std::string ReadSetting(const std::string& fileName, const std::string& section,
                        const std::string& key);
// Replaces the key's line in place, or adds it at the end of its section, or
// adds the section at the end of the file. Values are cut to 128 characters.
// Failures are silent, as the callers expect.
void WriteSetting(const std::string& fileName, const std::string& section,
                  const std::string& key, const std::string& value);

// The numeric comparison every reader applies: a number matches only when it
// equals `number`; empty or non-numeric text always matches.
bool SettingMatches(const std::string& text, long number);

// "backupfolder" resolved: the stored folder when it is set and exists (one
// trailing separator removed), otherwise the program folder.
std::string ResolveBackupFolder(const platform::Environment& env);

// The settings file of this run: program folder + "settings.dat".
std::string SettingsPath(const platform::Environment& env);
// Reads a flag of the program's settings file and applies the comparison with 1.
bool SettingIsOn(const platform::Environment& env, const std::string& section,
                 const std::string& key);

}  // namespace config

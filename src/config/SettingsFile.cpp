#include "config/SettingsFile.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/AnsiText.h"
#include "platform/Environment.h"
#include "platform/HostPath.h"
#include "platform/Text.h"
#include "platform/FsPath.h"

namespace config {

namespace {

using platform::equalsNoCase;
using platform::trimBlanks;

// The name of a "[section]" line, or nothing for other lines.
std::optional<std::string> sectionName(const std::string& line) {
    std::string t = trimBlanks(line);
    if (t.size() < 2 || t.front() != '[') return std::nullopt;
    auto close = t.find(']');
    if (close == std::string::npos) return std::nullopt;
    return trimBlanks(std::string_view(t).substr(1, close - 1));
}

bool isKeyLine(const std::string& line, const std::string& key, std::string* value) {
    auto eq = line.find('=');
    if (eq == std::string::npos || !equalsNoCase(trimBlanks(line.substr(0, eq)), key)) return false;
    if (value) *value = line.substr(eq + 1);
    return true;
}

// Index range [begin, end) of the lines inside a section, after its header.
struct SectionSpan {
    std::size_t header;
    std::size_t end;
};

std::optional<SectionSpan> findSection(const std::vector<std::string>& lines, const std::string& section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto name = sectionName(lines[i]);
        if (!name || !equalsNoCase(*name, section)) continue;
        std::size_t end = i + 1;
        while (end < lines.size() && !sectionName(lines[end])) ++end;
        return SectionSpan{i, end};
    }
    return std::nullopt;
}

}  // namespace

std::string ReadSetting(const std::string& fileName, const std::string& section, const std::string& key) {
    auto lines = platform::readAnsiLines(fileName);
    if (!lines) return {};
    auto span = findSection(*lines, section);
    if (!span) return {};
    std::string value;
    for (std::size_t i = span->header + 1; i < span->end; ++i) {
        if (isKeyLine((*lines)[i], key, &value)) {
            return platform::leftCharacters(trimBlanks(value), kSettingReadLimit);
        }
    }
    return {};
}

void WriteSetting(const std::string& fileName, const std::string& section, const std::string& key,
                  const std::string& value) {
    std::vector<std::string> lines;
    if (std::filesystem::exists(platform::fsPath(fileName))) {
        auto read = platform::readAnsiLines(fileName);
        if (!read) return;  // an unreadable file is never replaced by a shortened one
        lines = std::move(*read);
    }
    std::string line = key + "=" + platform::leftCharacters(value, kSettingWriteLimit);
    auto span = findSection(lines, section);
    if (!span) {
        lines.push_back("[" + section + "]");
        lines.push_back(line);
    } else {
        std::size_t insertAt = span->header + 1;
        bool replaced = false;
        for (std::size_t i = span->header + 1; i < span->end; ++i) {
            if (isKeyLine(lines[i], key, nullptr)) {
                lines[i] = line;
                replaced = true;
                break;
            }
            if (!trimBlanks(lines[i]).empty()) insertAt = i + 1;
        }
        // New keys go after the section's last non-blank line, before blank separators.
        if (!replaced) lines.insert(lines.begin() + static_cast<long>(insertAt), line);
    }
    platform::writeAnsiLines(fileName, lines);
}

bool SettingMatches(const std::string& text, long number) {
    std::string t = trimBlanks(text);
    double parsed = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), parsed);
    // "nan" and "inf" parse, but are no numbers a user would have written.
    bool isNumber = !t.empty() && ec == std::errc() && end == t.data() + t.size() && std::isfinite(parsed);
    return !isNumber || parsed == static_cast<double>(number);
}

std::string SettingsPath(const platform::Environment& env) {
    return env.programFile("settings.dat");
}

bool SettingIsOn(const platform::Environment& env, const std::string& section, const std::string& key) {
    return SettingMatches(ReadSetting(SettingsPath(env), section, key), 1);
}

std::string ResolveBackupFolder(const platform::Environment& env) {
    std::string stored = ReadSetting(SettingsPath(env), "backup", "backupfolder");
    if (stored.empty()) return env.programFolder;
    std::error_code ec;
    if (!std::filesystem::is_directory(platform::fsPath(env.hostPath(stored)), ec)) return env.programFolder;
    stored = platform::inOneForm(stored);
    if (stored.size() > 1 && stored.back() == (platform::isWindowsPath(stored) ? '\\' : platform::kHostSeparator)) {
        stored.pop_back();
    }
    return stored;
}

}  // namespace config

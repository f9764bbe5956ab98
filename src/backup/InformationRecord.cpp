#include "backup/InformationRecord.h"

#include "platform/AnsiText.h"
#include "platform/Text.h"

namespace backup {

bool SaveINI(const std::string& KeyName, const std::string& KeyValue, const std::string& filename) {
    return platform::appendAnsiLineExact(filename, KeyName + "=" + KeyValue);
}

std::optional<std::string> GetINI(const std::string& KeyName, const std::string& filename) {
    auto lines = platform::readAnsiLines(filename);
    if (!lines) return std::nullopt;
    const std::string wanted = platform::toUpperAscii(KeyName);
    for (const auto& line : *lines) {
        if (line.empty()) break;
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        if (platform::toUpperAscii(line.substr(0, eq)) != wanted) continue;
        std::string value = line.substr(eq + 1);
        if (!value.empty() && value.back() == '\0') value.pop_back();
        return value;
    }
    return std::string();
}

std::string EncodeDescription(const std::string& text) {
    return platform::replaceAll(text, "\r\n", kLineBreakMarker);
}

std::string DecodeDescription(const std::string& stored) {
    return platform::replaceAll(stored, kLineBreakMarker, "\r\n");
}

}  // namespace backup

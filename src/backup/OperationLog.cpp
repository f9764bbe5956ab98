#include "backup/OperationLog.h"

#include <fstream>
#include <sstream>

#include "config/Globals.h"
#include "config/OperationTime.h"
#include "platform/AnsiText.h"
#include "platform/Environment.h"
#include "platform/FsPath.h"

namespace backup {

OperationLog OperationLog::of(const platform::Environment& env) { return OperationLog(env.programFile(kLogFileName)); }

void OperationLog::separator() const { config::AppendTextLine(path_, std::string(84, '.') + kCR); }

void OperationLog::record(const std::string& message, char terminator) const {
    config::AppendTextLine(path_, config::GeneralDateText(config::CurrentDateTime()) + message + terminator);
}

std::vector<std::string> LoadLogList(const std::string& path) {
    std::ifstream in(platform::fsPath(path), std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    const std::string text = buffer.str();
    std::vector<std::string> lines;
    // Records end with CR LF; the CR or LF in front of it is the record's own.
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && (line.back() == kCR || line.back() == kLF)) line.pop_back();
        lines.push_back(platform::fromAnsi(line));
        start = end + 2;
    }
    return lines;
}

}  // namespace backup

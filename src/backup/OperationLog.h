#pragma once
// "brlog.dat": one record per line, only ever appended to. A record is the
// time stamp, the message and a CR or LF terminator, before the CR LF that
// ends the line; the separator has no time stamp.

#include <string>
#include <vector>

namespace platform { struct Environment; }

namespace backup {

inline constexpr const char* kLogFileName = "brlog.dat";
inline constexpr char kCR = '\r';
inline constexpr char kLF = '\n';

class OperationLog {
public:
    explicit OperationLog(std::string path) : path_(std::move(path)) {}
    static OperationLog of(const platform::Environment& env);

    // 84 dots and CR.
    void separator() const;
    // Time stamp + message + terminator. A lost record is not reported.
    void record(const std::string& message, char terminator) const;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The log's lines for the log tab, each record's terminator taken off;
// empty when there is no log yet.
std::vector<std::string> LoadLogList(const std::string& path);

}  // namespace backup

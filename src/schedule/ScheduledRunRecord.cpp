#include "schedule/ScheduledRunRecord.h"

#include <charconv>

#include "platform/AnsiText.h"
#include "platform/Environment.h"
#include "platform/Text.h"

namespace schedule {

namespace {

constexpr const char* kSection = "[lastrun]";
constexpr const char* kItemSeparator = "; ";

std::string timeText(const config::DateTime& when) { return config::IsoText(when); }

config::DateTime parseTime(const std::string& text) { return config::ParseIsoText(text); }

long parseNumber(const std::string& text) {
    long value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() ? value : 0;
}

// A path or reason the code page cannot hold still shows, marked, rather
// than costing the whole record.
std::string storable(const std::string& text) {
    std::string oneLine = text;
    for (char& c : oneLine) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return platform::fitsAnsi(oneLine) ? oneLine : platform::fromAnsi(platform::toAnsi(oneLine));
}

std::vector<std::string> splitItems(const std::string& text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(kItemSeparator, start);
        if (end == std::string::npos) end = text.size();
        if (end > start) items.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return items;
}

std::string joinItems(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) text += (text.empty() ? "" : kItemSeparator) + item;
    return text;
}

void apply(ScheduledRunRecord& r, const std::string& key, const std::string& value) {
    if (key == "state") r.running = value == "running";
    else if (key == "pid") r.processId = parseNumber(value);
    else if (key == "started") r.started = parseTime(value);
    else if (key == "finished") r.finished = parseTime(value);
    else if (key == "status") r.status = static_cast<int>(parseNumber(value));
    else if (key == "failed") r.failedItems = splitItems(value);
    else if (key == "archive") r.archive = value;
    else if (key == "reason") r.reason = value;
    else if (key == "lastsuccess") r.lastSuccess = parseTime(value);
    else if (key == "tasksince") r.taskSince = parseTime(value);
}

ScheduledRunRecord loadOrEmpty(const std::string& path) {
    return LoadRunRecord(path).value_or(ScheduledRunRecord{});
}

}  // namespace

std::string RunRecordPath(const platform::Environment& env) { return env.programFile(kRunRecordName); }

std::optional<ScheduledRunRecord> LoadRunRecord(const std::string& path) {
    auto lines = platform::readAnsiLines(path);
    if (!lines) return std::nullopt;
    ScheduledRunRecord record;
    for (const auto& line : *lines) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        apply(record, platform::trimBlanks(line.substr(0, eq)), line.substr(eq + 1));
    }
    return record;
}

bool SaveRunRecord(const std::string& path, const ScheduledRunRecord& r) {
    std::vector<std::string> lines{kSection};
    if (r.started.isValid()) {
        lines.push_back(std::string("state=") + (r.running ? "running" : "finished"));
        if (r.running) lines.push_back("pid=" + std::to_string(r.processId));
        lines.push_back("started=" + timeText(r.started));
    }
    if (r.started.isValid() && !r.running) {
        lines.push_back("finished=" + timeText(r.finished));
        lines.push_back("status=" + std::to_string(r.status));
        lines.push_back("failed=" + storable(joinItems(r.failedItems)));
        lines.push_back("archive=" + storable(r.archive));
        lines.push_back("reason=" + storable(r.reason));
    }
    lines.push_back("lastsuccess=" + timeText(r.lastSuccess));
    lines.push_back("tasksince=" + timeText(r.taskSince));
    return platform::writeAnsiLines(path, lines);
}

bool RecordRunStart(const std::string& path, const config::DateTime& now, long processId) {
    const ScheduledRunRecord earlier = loadOrEmpty(path);
    ScheduledRunRecord r;
    r.running = true;
    r.processId = processId;
    r.started = now;
    r.lastSuccess = earlier.lastSuccess;
    r.taskSince = earlier.taskSince;
    return SaveRunRecord(path, r);
}

bool RecordRunEnd(const std::string& path, const config::DateTime& now, const RunResult& result) {
    ScheduledRunRecord r = loadOrEmpty(path);
    if (!r.started.isValid()) r.started = now;
    r.running = false;
    r.processId = 0;
    r.finished = now;
    r.status = result.status;
    r.failedItems = result.failedItems;
    r.archive = result.archive;
    r.reason = result.reason;
    if (result.status == 0) r.lastSuccess = now;
    return SaveRunRecord(path, r);
}

bool RecordTaskSince(const std::string& path, const config::DateTime& when) {
    ScheduledRunRecord r = loadOrEmpty(path);
    r.taskSince = when;
    return SaveRunRecord(path, r);
}

}  // namespace schedule

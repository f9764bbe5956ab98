#include "schedule/CrontabScheduler.h"

#include <cstdlib>

#include "platform/ChildProcess.h"
#include "platform/Text.h"

namespace schedule {

namespace {

constexpr std::chrono::milliseconds kCrontabLimit{30000};

platform::ProcessOutcome runCrontab(const std::string& program, const std::string& argument, std::string input = {}) {
    platform::ProcessRun run;
    run.program = program;
    run.arguments = {argument};
    run.input = std::move(input);
    run.limit = kCrontabLimit;
    return platform::RunProcess(run);
}

}  // namespace

CrontabScheduler::CrontabScheduler(platform::Environment env, std::string program, std::string crontabProgram)
    : env_(std::move(env)), program_(std::move(program)), crontab_(std::move(crontabProgram)) {}

std::string CrontabScheduler::crontabFromEnvironment() {
    const char* configured = std::getenv("TARNHOLD_CRONTAB");
    return configured && *configured ? configured : "crontab";
}

std::optional<std::vector<std::string>> CrontabScheduler::readCrontab() {
    const platform::ProcessOutcome listed = runCrontab(crontab_, "-l");
    if (!listed.finished) {
        error_ = "cannot run " + crontab_;
        return std::nullopt;
    }
    if (listed.exitCode != 0) {
        // A user without a crontab yet; any other refusal must not lead to
        // writing a table that lost the user's own lines.
        const std::string why = platform::trimWhitespace(listed.errors);
        if (why.find("no crontab") != std::string::npos) return std::vector<std::string>{};
        error_ = crontab_ + " -l failed: " + why;
        return std::nullopt;
    }
    const std::string& text = listed.output;
    std::vector<std::string> lines = platform::splitAll(text, '\n');
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

bool CrontabScheduler::writeCrontab(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    const platform::ProcessOutcome written = runCrontab(crontab_, "-", text);
    if (!written.started) {
        error_ = "cannot run " + crontab_;
        return false;
    }
    if (!written.finished || written.exitCode != 0) {
        error_ = crontab_ + " refused the new table: " + platform::trimWhitespace(written.errors);
        return false;
    }
    error_.clear();
    return true;
}

void CrontabScheduler::remove() {
    if (auto current = readCrontab()) writeCrontab(WithoutTask(*current));
}

void CrontabScheduler::create(const ScheduledTask& task) {
    auto current = readCrontab();
    if (!current) return;
    auto lines = WithoutTask(*current);
    for (auto& line : CrontabEntry(task.days, task.startTime, program_, task.commandLine, env_.winePrefix,
                                   env_.programFolder)) {
        lines.push_back(std::move(line));
    }
    writeCrontab(lines);
}

std::optional<bool> CrontabScheduler::taskExists() {
    auto current = readCrontab();
    if (!current) return std::nullopt;
    return WithoutTask(*current).size() != current->size();
}

}  // namespace schedule

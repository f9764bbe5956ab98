#include "schedule/CrontabScheduler.h"

#include <QProcess>
#include <cstdlib>

#include "platform/Text.h"

namespace schedule {

namespace {

constexpr int kCrontabTimeoutMs = 30000;

}  // namespace

CrontabScheduler::CrontabScheduler(platform::Environment env, std::string program, std::string crontabProgram)
    : env_(std::move(env)), program_(std::move(program)), crontab_(std::move(crontabProgram)) {}

std::string CrontabScheduler::crontabFromEnvironment() {
    const char* configured = std::getenv("TARNHOLD_CRONTAB");
    return configured && *configured ? configured : "crontab";
}

std::optional<std::vector<std::string>> CrontabScheduler::readCrontab() {
    QProcess process;
    process.start(QString::fromStdString(crontab_), {"-l"});
    if (!process.waitForFinished(kCrontabTimeoutMs) || process.exitStatus() != QProcess::NormalExit) {
        error_ = "cannot run " + crontab_;
        return std::nullopt;
    }
    if (process.exitCode() != 0) {
        // A user without a crontab yet; any other refusal must not lead to
        // writing a table that lost the user's own lines.
        const std::string why = process.readAllStandardError().trimmed().toStdString();
        if (why.find("no crontab") != std::string::npos) return std::vector<std::string>{};
        error_ = crontab_ + " -l failed: " + why;
        return std::nullopt;
    }
    std::string text = process.readAllStandardOutput().toStdString();
    std::vector<std::string> lines = platform::splitAll(text, '\n');
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

bool CrontabScheduler::writeCrontab(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    QProcess process;
    process.start(QString::fromStdString(crontab_), {"-"});
    if (!process.waitForStarted(kCrontabTimeoutMs)) {
        error_ = "cannot run " + crontab_;
        return false;
    }
    process.write(text.data(), static_cast<qint64>(text.size()));
    process.closeWriteChannel();
    if (!process.waitForFinished(kCrontabTimeoutMs) || process.exitCode() != 0) {
        error_ = crontab_ + " refused the new table: " + process.readAllStandardError().trimmed().toStdString();
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

#include "schedule/SchtasksScheduler.h"

#include <chrono>
#include <cstdint>
#include <cstdio>

#include "platform/ChildProcess.h"
#include "platform/Text.h"

namespace schedule {

namespace {

constexpr std::chrono::milliseconds kSchtasksLimit{30000};

platform::ProcessOutcome runSchtasks(const std::string& commandLine) {
    platform::ProcessRun run;
    // Given to the byte: schtasks splits its command line by its own rules.
    run.commandLine = commandLine;
    run.limit = kSchtasksLimit;
    return platform::RunProcess(run);
}

bool succeeded(const platform::ProcessOutcome& outcome) { return outcome.finished && outcome.exitCode == 0; }

// "schtasks /create" of "schtasks /create /sc ...", to name the command.
std::string commandName(const std::string& commandLine) {
    const auto words = platform::splitAll(commandLine, ' ');
    return words.size() > 1 ? words[0] + " " + words[1] : commandLine;
}

// Codes such as 0x80004005 read as what they are, not as negative numbers.
std::string exitCodeText(int code) {
    if (code >= 0 && code < 0x10000) return std::to_string(code);
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(static_cast<std::uint32_t>(code)));
    return text;
}

// What schtasks said about its failure: its errors, else its output, else
// only its exit code.
std::string failureOf(const std::string& commandLine, const platform::ProcessOutcome& outcome) {
    if (!outcome.finished) return outcome.problem;
    std::string said = platform::trimWhitespace(outcome.errors);
    if (said.empty()) said = platform::trimWhitespace(outcome.output);
    if (said.empty()) said = "exit code " + exitCodeText(outcome.exitCode);
    return commandName(commandLine) + " failed: " + said;
}

}  // namespace

std::string SchtasksScheduler::queryCommand() {
    return std::string("schtasks /query /tn \"") + kScheduledTaskName + "\"";
}

void SchtasksScheduler::runUnlessMissing(const std::string& commandLine) {
    const platform::ProcessOutcome outcome = runSchtasks(commandLine);
    // Whether the task is missing is asked, not read from the message, which
    // is in the system's language.
    if (succeeded(outcome) || (outcome.finished && taskExists() == false)) {
        error_.clear();
        return;
    }
    error_ = failureOf(commandLine, outcome);
}

void SchtasksScheduler::end() { runUnlessMissing(SchtasksEndCommand()); }

void SchtasksScheduler::remove() { runUnlessMissing(SchtasksDeleteCommand()); }

void SchtasksScheduler::create(const ScheduledTask& task) {
    const std::string commandLine =
        SchtasksCreateCommand(DayList(task.days), task.startTime, programFolder_, task.commandLine);
    const platform::ProcessOutcome outcome = runSchtasks(commandLine);
    if (succeeded(outcome)) error_.clear();
    else error_ = failureOf(commandLine, outcome);
}

std::optional<bool> SchtasksScheduler::taskExists() {
    const platform::ProcessOutcome outcome = runSchtasks(queryCommand());
    if (!outcome.finished) {
        error_ = outcome.problem;
        return std::nullopt;
    }
    if (outcome.exitCode != 0) return false;
    // A real answer lists the task.
    if (platform::trimWhitespace(outcome.output).empty()) {
        error_ = "schtasks /query gave no answer";
        return std::nullopt;
    }
    return true;
}

}  // namespace schedule

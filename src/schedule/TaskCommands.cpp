#include "schedule/TaskCommands.h"

#include "platform/Text.h"

namespace schedule {

namespace {

const std::string kTagLine = std::string("# tarnhold task: ") + kScheduledTaskName;
const std::array<const char*, 7> kDayNames{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const std::array<const char*, 7> kCronDays{"1", "2", "3", "4", "5", "6", "0"};

std::string quotedTaskName() { return std::string("\"") + kScheduledTaskName + "\""; }

// Hour and minute of "h:mm".
std::pair<int, int> hourAndMinute(const std::string& startTime) {
    const auto colon = startTime.find(':');
    int hour = 0, minute = 0;
    try {
        hour = std::stoi(startTime.substr(0, colon));
        if (colon != std::string::npos) minute = std::stoi(startTime.substr(colon + 1));
    } catch (...) {
        return {0, 0};
    }
    return {hour, minute};
}

// A word for the shell cron runs, inside single quotes; "%" is cron's line
// break and must be escaped even there.
std::string shellWord(const std::string& text) {
    return "'" + platform::replaceAll(platform::replaceAll(text, "'", "'\\''"), "%", "\\%") + "'";
}

std::string twoDigits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

}  // namespace

std::string UnattendedCommandLine(const std::string& user, const std::string& mask, const std::string& password,
                                  const std::string& target) {
    return " sf=" + user + "xm=" + mask + "ps=" + password + "bf=" + target;
}

std::string DayList(const Weekdays& days) {
    std::string list;
    for (std::size_t d = 0; d < days.size(); ++d) {
        if (days[d]) list += std::string(kDayNames[d]) + (d + 1 < days.size() ? "," : "");
    }
    if (!list.empty() && list.back() == ',') list.pop_back();
    return list.empty() ? "*" : list;
}

std::string StartTimeArgument(const std::string& startTime) {
    auto [hour, minute] = hourAndMinute(startTime);
    return twoDigits(hour) + ":" + twoDigits(minute) + ":00";
}

std::vector<std::string> StartTimes() {
    std::vector<std::string> times;
    for (int h = 0; h < 24; ++h) {
        times.push_back(std::to_string(h) + ":00");
        times.push_back(std::to_string(h) + ":30");
    }
    return times;
}

std::string SchtasksEndCommand() { return "schtasks /end  /tn " + quotedTaskName(); }

std::string SchtasksDeleteCommand() { return "schtasks /delete /f  /tn " + quotedTaskName(); }

std::string SchtasksCreateCommand(const std::string& dayList, const std::string& startTime,
                                  const std::string& programFolder, const std::string& commandLine) {
    return "schtasks /create /sc WEEKLY /d " + dayList + " /st " + StartTimeArgument(startTime) + " /tn " +
           quotedTaskName() + " /tr \"\\\"" + programFolder + "\\tarnhold.exe\\\"" + commandLine + "\"";
}

std::vector<std::string> CrontabEntry(const Weekdays& days, const std::string& startTime, const std::string& program,
                                      const std::string& commandLine, const std::string& winePrefix,
                                      const std::string& programFolder) {
    auto [hour, minute] = hourAndMinute(startTime);
    std::string dayField;
    for (std::size_t d = 0; d < days.size(); ++d) {
        if (days[d]) dayField += (dayField.empty() ? "" : ",") + std::string(kCronDays[d]);
    }
    if (dayField.empty()) dayField = "*";
    return {kTagLine, std::to_string(minute) + " " + std::to_string(hour) + " * * " + dayField +
                          " WINEPREFIX=" + shellWord(winePrefix) + " TARNHOLD_HOME=" + shellWord(programFolder) + " " +
                          shellWord(program) + " " + shellWord(commandLine)};
}

std::vector<std::string> WithoutTask(const std::vector<std::string>& crontab) {
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < crontab.size(); ++i) {
        if (crontab[i] == kTagLine) {
            ++i;  // the entry under the tag goes with it
            continue;
        }
        kept.push_back(crontab[i]);
    }
    return kept;
}

}  // namespace schedule

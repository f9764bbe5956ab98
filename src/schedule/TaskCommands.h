#pragma once
// The texts of a scheduled backup, built by pure functions: the unattended
// command line, the weekday list, the start time, the three task-scheduler
// command lines of Windows, and the crontab entry used elsewhere.

#include <array>
#include <string>
#include <vector>

namespace schedule {

inline constexpr const char* kScheduledTaskName = "Zorva Windows Live Mail AutoBackup";

// Monday first, as the window lists the days.
using Weekdays = std::array<bool, 7>;

// " sf=<user>xm=<mask>ps=<password>bf=<target>".
std::string UnattendedCommandLine(const std::string& user, const std::string& mask, const std::string& password,
                                  const std::string& target);
// "Mon,Tue,...,Sun" of the ticked days, "*" when none is ticked.
std::string DayList(const Weekdays& days);
// "9:00" -> "09:00:00".
std::string StartTimeArgument(const std::string& startTime);
// The 48 start times "0:00", "0:30", ... "23:30".
std::vector<std::string> StartTimes();

std::string SchtasksEndCommand();
std::string SchtasksDeleteCommand();
std::string SchtasksCreateCommand(const std::string& dayList, const std::string& startTime,
                                  const std::string& programFolder, const std::string& commandLine);

// The crontab lines of the task: a tag line naming it, then the entry that
// starts `program` with the command line in the given prefix and program folder.
std::vector<std::string> CrontabEntry(const Weekdays& days, const std::string& startTime, const std::string& program,
                                      const std::string& commandLine, const std::string& winePrefix,
                                      const std::string& programFolder);
// The crontab without the task's lines; every other line stays as it was.
std::vector<std::string> WithoutTask(const std::vector<std::string>& crontab);

}  // namespace schedule

#include "CliStatus.h"

#include <algorithm>
#include <iostream>

#include "schedule/ScheduledRunStatus.h"
#include "schedule/SystemTaskScheduler.h"

namespace cli {

int Status(platform::Services& services) {
    // The scheduler is only asked whether the task is there; the program it
    // would start does not matter.
    auto scheduler = schedule::SystemTaskScheduler(services, services.env.executableFolder + "/tarnhold");
    const auto report = schedule::CheckScheduledRuns(services.env, *scheduler);
    std::string text = report.text;
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());  // CR LF lines for a terminal
    std::cout << text << "\n";
    return report.needsAttention ? 1 : 0;
}

}  // namespace cli

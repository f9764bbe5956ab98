#include "CliStatus.h"

#include <iostream>

#include "platform/Text.h"
#include "schedule/ScheduledRunStatus.h"
#include "schedule/SystemTaskScheduler.h"

namespace cli {

int Status(platform::Services& services) {
    // The scheduler is only asked whether the task is there; the program it
    // would start does not matter.
    auto scheduler = schedule::SystemTaskScheduler(services, services.env.executableFolder + "/tarnhold");
    const auto report = schedule::CheckScheduledRuns(services.env, *scheduler);
    std::cout << platform::replaceAll(report.text, "\r\n", "\n") << "\n";
    return report.needsAttention ? 1 : 0;
}

}  // namespace cli

#include "schedule/SystemTaskScheduler.h"

#include "schedule/CrontabScheduler.h"
#include "schedule/SchtasksScheduler.h"

namespace schedule {

std::unique_ptr<TaskScheduler> SystemTaskScheduler(platform::Services& services, const std::string& program) {
#ifdef _WIN32
    (void)program;
    return std::make_unique<SchtasksScheduler>(services.env.executableFolder);
#else
    return std::make_unique<CrontabScheduler>(services.env, program, CrontabScheduler::crontabFromEnvironment());
#endif
}

}  // namespace schedule

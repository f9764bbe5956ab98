// The scheduled task's command line: what parses, rebuilt by the program's
// own command-line builder, parses to the same choices; the dated target is
// always a .wlm file.


#include <string>

#include "FuzzSupport.h"
#include "schedule/TaskCommands.h"
#include "schedule/UnattendedBackupRun.h"

namespace {

std::string fields(const schedule::UnattendedCommand& c) {
    return "user \"" + c.user + "\" mask \"" + c.mask + "\" password \"" + c.password + "\" target \"" + c.target + "\"";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    auto command = schedule::ParseUnattendedCommandLine(line);
    if (!command) return 0;
    FUZZ_CHECK(!command->mask.empty() && !command->target.empty(), fields(*command));
    const std::string rebuilt =
        schedule::UnattendedCommandLine(command->user, command->mask, command->password, command->target);
    auto again = schedule::ParseUnattendedCommandLine(rebuilt);
    FUZZ_CHECK(again.has_value(), rebuilt);
    FUZZ_CHECK(fields(*again) == fields(*command), fields(*command) + "\nbecame " + fields(*again));
    const auto when = config::DateTime::fromLocalFields({2024, 3, 5, 7, 30, 0});
    const std::string dated = schedule::DatedTargetFile(command->target, when);
    FUZZ_CHECK(dated.size() >= 4 && dated.compare(dated.size() - 4, 4, ".wlm") == 0, dated);
    return 0;
}

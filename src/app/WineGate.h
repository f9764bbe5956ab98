#pragma once
// Before the registry is written: while Windows programs run in the prefix,
// Wine holds the registry in memory and would undo what is written, so the
// user is asked to let them be ended first.

#include <chrono>
#include <functional>
#include <string>

#include "platform/Services.h"

namespace app {

// How long ending the prefix's programs may take.
inline constexpr std::chrono::seconds kWineEndLimit{20};

// Runs a blocking task and gives its result; a window passes one that keeps
// itself alive meanwhile.
using BlockingRunner = std::function<bool(const std::function<bool()>&)>;

// The question asked when Wine runs in the prefix.
std::string WineRunningQuestion(const std::string& prefix);
// The message when its programs did not end.
std::string WineStillRunningMessage(const std::string& prefix);

// True when nothing of Wine runs in the prefix, or when the user agreed to
// end its programs and they ended (waited for through `run`). False, after
// saying why when they would not end, when the writing must not happen.
bool MayWriteRegistry(platform::Services& services, const BlockingRunner& run = {});

}  // namespace app

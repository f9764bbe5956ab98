#pragma once
// The registry side of the profile: Wine's empty hive files, and the mail
// client's keys written through the program's own Wine registry backend.

#include <cstdint>
#include <filesystem>
#include <string>

#include "Accounts.h"
#include "OutputTree.h"
#include "Random.h"

namespace sample {

// Time stamps of the written keys; fixed so that a seed gives the same files.
inline constexpr std::uint64_t kRegistryFileTime = 129750768000000000ull;  // 2012-03-01 12:00 UTC

// user.reg, system.reg and userdef.reg holding only Wine's header; returns their bytes.
std::uint64_t writeEmptyHives(OutputTree& tree);

// The client's keys and the user's shell folders (user.reg), the program's
// App Paths key (system.reg). Failures throw std::runtime_error.
void writeClientRegistry(const std::string& prefixFolder, const ProfileModel& model, Rng& rng);
// The bytes of the three hive files as they are now.
std::uint64_t hiveBytes(const std::filesystem::path& prefix);

}  // namespace sample

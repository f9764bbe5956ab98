#pragma once
// Independent jobs spread over the machine's cores.

#include <cstddef>
#include <functional>

namespace platform {

// The threads that run at once: one per core, at least one.
std::size_t coreCount();

// Runs job(0) to job(count - 1), each once, on up to one thread per core.
// job(0) runs on the calling thread, which then takes its share of the
// rest. Returns when every job is done. Jobs must not share unguarded state.
void forEachOnCores(std::size_t count, const std::function<void(std::size_t)>& job);

}  // namespace platform

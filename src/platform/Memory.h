#pragma once
// How the process keeps memory.

namespace platform {

// Buffers of a megabyte and more (the chunks deflated on several threads)
// go back to the system when freed, instead of piling up in each thread's
// heap: peak memory stays near what is in use.
void returnLargeBuffersWhenFreed();

}  // namespace platform

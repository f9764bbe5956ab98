#include "platform/Memory.h"

#include <cstdlib>  // defines __GLIBC__ where glibc is the C library
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace platform {

void returnLargeBuffersWhenFreed() {
#ifdef __GLIBC__
    // A fixed threshold: glibc would otherwise raise it after the first
    // large free and serve later chunks from the thread heaps.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
}

}  // namespace platform

#include "shell/Memory.h"

#include <cstdlib>  // defines __GLIBC__ with the C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace lettora {

void useOneMallocArena()
{
#if defined(__GLIBC__)
    mallopt(M_ARENA_MAX, 1);
    // Pictures and sound buffers come straight from the system and go back to it when freed;
    // glibc would otherwise raise this threshold after the first large free and keep such blocks.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
}

void giveBackFreeMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace lettora

#pragma once

#if defined(__GLIBC__)
#include <malloc.h>
#endif

// Gives memory freed after a large run (a reply of tens of megabytes and its parsed tree)
// back to the system, so that an unattended host does not keep the high-water mark of its
// largest run for good.
inline void releaseFreedMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

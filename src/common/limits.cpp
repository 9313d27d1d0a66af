#include "common/limits.h"

#include <algorithm>
#include <sys/resource.h>
#include <unistd.h>

namespace orugif {

std::int64_t physicalMemoryBytes()
{
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    std::int64_t memory = pages > 0 && pageSize > 0 ? std::int64_t(pages) * pageSize : 0;
    // A process allowed less address space than the machine has gets no more.
    rlimit space{};
    if (getrlimit(RLIMIT_AS, &space) == 0 && space.rlim_cur != RLIM_INFINITY
        && (memory == 0 || std::int64_t(space.rlim_cur) < memory))
        memory = std::int64_t(space.rlim_cur);
    return memory;
}

std::int64_t animationPixelLimit()
{
    static const std::int64_t limit = [] {
        const std::int64_t memory = physicalMemoryBytes();
        return memory > 0 ? std::min(kMaxAnimationPixels, memory / 2 / 4) : kMaxAnimationPixels;
    }();
    return limit;
}

} // namespace orugif

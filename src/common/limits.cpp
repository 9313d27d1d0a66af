#include "common/limits.h"

#include <algorithm>
#include <unistd.h>

namespace orugif {

std::int64_t physicalMemoryBytes()
{
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? std::int64_t(pages) * pageSize : 0;
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

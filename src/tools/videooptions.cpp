#include "tools/videooptions.h"

#include <algorithm>
#include <cmath>

namespace orugif::tools {

int videoHeightFor(int width, QSize size)
{
    if (size.width() <= 0 || width <= 0)
        return std::max(size.height(), 1);
    if (width >= size.width())
        return size.height();
    return std::max(1, int(std::lround(double(size.height()) * width / size.width())));
}

DocumentPrompts::VideoChoice videoChoice(bool all, std::int64_t first, std::int64_t last, std::int64_t from,
                                         std::int64_t to, int width, QSize size)
{
    DocumentPrompts::VideoChoice choice;
    choice.first = all ? first : std::clamp(from, first, std::max(first, last));
    choice.last = all ? last : std::min(to, last);
    choice.width = std::clamp(width, 1, std::max(size.width(), 1));
    return choice;
}

} // namespace orugif::tools

#include "tools/framelist.h"

#include <algorithm>

namespace orugif::tools {

FrameList::FrameList(int frameCount)
{
    for (int i = 1; i <= frameCount; ++i)
        entries_ << QStringLiteral("Cadre  %1").arg(i);
}

int FrameList::moveUp(int selected)
{
    if (selected <= 0 || selected >= entries_.size())
        return selected;
    entries_.swapItemsAt(selected, selected - 1);
    return selected - 1;
}

int FrameList::moveDown(int selected)
{
    if (selected < 0 || selected >= entries_.size() - 1)
        return selected;
    entries_.swapItemsAt(selected, selected + 1);
    return selected + 1;
}

int FrameList::remove(int selected)
{
    if (selected < 0 || selected >= entries_.size())
        return selected;
    entries_.removeAt(selected);
    return std::min<int>(selected, int(entries_.size()) - 1);
}

std::vector<int> frameOrder(const QStringList& entries)
{
    // The number is what follows the entry's first blank.
    std::vector<int> order;
    order.reserve(std::size_t(entries.size()));
    for (const QString& entry : entries)
        order.push_back(entry.mid(entry.indexOf(QLatin1Char(' ')) + 1).trimmed().toInt() - 1);
    return order;
}

} // namespace orugif::tools

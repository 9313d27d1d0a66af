#include "document/frameops.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>

namespace orugif::frameops {

namespace {

Plan identity(const std::vector<int>& delays)
{
    Plan plan;
    plan.order.resize(delays.size());
    std::iota(plan.order.begin(), plan.order.end(), 0);
    plan.delays = delays;
    return plan;
}

std::vector<bool> marks(const std::vector<int>& selection, std::size_t count)
{
    std::vector<bool> selected(count, false);
    for (int i : selection)
        selected[std::size_t(i)] = true;
    return selected;
}

} // namespace

std::vector<int> normalised(std::vector<int> selection, int count)
{
    std::erase_if(selection, [count](int i) { return i < 0 || i >= count; });
    std::sort(selection.begin(), selection.end());
    selection.erase(std::unique(selection.begin(), selection.end()), selection.end());
    return selection;
}

Plan moved(const std::vector<int>& delays, const std::vector<int>& selection, int target)
{
    const int count = int(delays.size());
    const std::vector<int> chosen = normalised(selection, count);
    target = std::clamp(target, 0, count);
    const std::vector<bool> selected = marks(chosen, delays.size());
    Plan plan;
    for (int i = 0; i <= count; ++i) {
        if (i == target)
            for (int s : chosen) {
                plan.selection.push_back(int(plan.order.size()));
                plan.order.push_back(s);
            }
        if (i < count && !selected[std::size_t(i)])
            plan.order.push_back(i);
    }
    for (int i : plan.order)
        plan.delays.push_back(delays[std::size_t(i)]);
    return plan;
}

Plan deleted(const std::vector<int>& delays, const std::vector<int>& selection)
{
    const std::vector<bool> selected = marks(normalised(selection, int(delays.size())), delays.size());
    Plan plan;
    for (std::size_t i = 0; i < delays.size(); ++i)
        if (!selected[i]) {
            plan.order.push_back(int(i));
            plan.delays.push_back(delays[i]);
        }
    return plan;
}

Plan duplicated(const std::vector<int>& delays, const std::vector<int>& selection)
{
    const std::vector<int> chosen = normalised(selection, int(delays.size()));
    Plan plan = identity(delays);
    if (chosen.empty())
        return plan;
    const auto at = plan.order.begin() + chosen.back() + 1;
    plan.order.insert(at, chosen.begin(), chosen.end());
    plan.delays.clear();
    for (int i : plan.order)
        plan.delays.push_back(delays[std::size_t(i)]);
    for (std::size_t k = 0; k < chosen.size(); ++k)
        plan.selection.push_back(chosen.back() + 1 + int(k));
    return plan;
}

Plan reversed(const std::vector<int>& delays, const std::vector<int>& selection)
{
    std::vector<int> chosen = normalised(selection, int(delays.size()));
    Plan plan = identity(delays);
    if (chosen.size() < 2)
        chosen = plan.order;
    for (std::size_t k = 0; k < chosen.size(); ++k) {
        const int from = chosen[chosen.size() - 1 - k];
        plan.order[std::size_t(chosen[k])] = from;
        plan.delays[std::size_t(chosen[k])] = delays[std::size_t(from)];
    }
    plan.selection = normalised(selection, int(delays.size()));
    return plan;
}

Plan withDelay(const std::vector<int>& delays, const std::vector<int>& selection, int delay)
{
    Plan plan = identity(delays);
    plan.selection = normalised(selection, int(delays.size()));
    for (int i : plan.selection)
        plan.delays[std::size_t(i)] = std::clamp(delay, 0, kMaxDelay);
    return plan;
}

Plan atSpeed(const std::vector<int>& delays, const std::vector<int>& selection, int percent)
{
    Plan plan = identity(delays);
    plan.selection = normalised(selection, int(delays.size()));
    if (percent <= 0)
        return plan;
    // Running times in hundredths, scaled and rounded (halves up); each
    // delay is the step between two rounded times, so rounding never adds
    // up over many frames.
    std::int64_t before = 0;
    std::int64_t shownBefore = 0;
    for (int i : plan.selection) {
        before += std::max(delays[std::size_t(i)], 0);
        const std::int64_t shown = (before * 100 * 2 + percent) / (2 * std::int64_t(percent));
        plan.delays[std::size_t(i)] = int(std::clamp<std::int64_t>(shown - shownBefore, 0, kMaxDelay));
        shownBefore = shown;
    }
    return plan;
}

Plan everyNthDropped(const std::vector<int>& delays, const std::vector<int>& selection, int n)
{
    const std::vector<int> chosen = normalised(selection, int(delays.size()));
    if (n < 2) {
        Plan plan = identity(delays);
        plan.selection = chosen;
        return plan;
    }
    std::vector<bool> dropped(delays.size(), false);
    for (std::size_t k = std::size_t(n) - 1; k < chosen.size(); k += std::size_t(n))
        dropped[std::size_t(chosen[k])] = true;
    Plan plan;
    std::vector<bool> kept = marks(chosen, delays.size());
    for (std::size_t i = 0; i < delays.size(); ++i) {
        if (dropped[i]) {
            // With n >= 2 the frame before a dropped one is never dropped,
            // and the first selected frame is never dropped: one stands before.
            if (!plan.delays.empty())
                plan.delays.back() = std::min(plan.delays.back() + std::max(delays[i], 0), kMaxDelay);
            continue;
        }
        if (kept[i])
            plan.selection.push_back(int(plan.order.size()));
        plan.order.push_back(int(i));
        plan.delays.push_back(delays[i]);
    }
    return plan;
}

} // namespace orugif::frameops

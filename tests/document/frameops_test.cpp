// The strip's operations as index and delay arithmetic.
#include "document/frameops.h"

#include <gtest/gtest.h>
#include <numeric>

using namespace orugif::frameops;

namespace {

struct PlanCase {
    const char* name;
    std::vector<int> delays;
    std::vector<int> selection;
    std::function<Plan(const std::vector<int>&, const std::vector<int>&)> run;
    std::vector<int> order;
    std::vector<int> newDelays;
    std::vector<int> newSelection;
};

class FrameOps : public ::testing::TestWithParam<PlanCase> {};

} // namespace

TEST_P(FrameOps, givesTheOrderDelaysAndSelection)
{
    const PlanCase& c = GetParam();
    const Plan plan = c.run(c.delays, c.selection);
    EXPECT_EQ(plan.order, c.order);
    EXPECT_EQ(plan.delays, c.newDelays);
    EXPECT_EQ(plan.selection, c.newSelection);
}

const std::vector<int> k6{10, 11, 12, 13, 14, 15};

INSTANTIATE_TEST_SUITE_P(
    Plans, FrameOps,
    ::testing::Values(
        PlanCase{"moveForward", k6, {1, 2}, [](auto& d, auto& s) { return moved(d, s, 5); },
                 {0, 3, 4, 1, 2, 5}, {10, 13, 14, 11, 12, 15}, {3, 4}},
        PlanCase{"moveToTheEnd", k6, {0, 3}, [](auto& d, auto& s) { return moved(d, s, 6); },
                 {1, 2, 4, 5, 0, 3}, {11, 12, 14, 15, 10, 13}, {4, 5}},
        PlanCase{"moveBackUnsortedWithRepeats", k6, {4, 2, 4}, [](auto& d, auto& s) { return moved(d, s, 0); },
                 {2, 4, 0, 1, 3, 5}, {12, 14, 10, 11, 13, 15}, {0, 1}},
        PlanCase{"moveOntoItself", k6, {2, 3}, [](auto& d, auto& s) { return moved(d, s, 3); },
                 {0, 1, 2, 3, 4, 5}, k6, {2, 3}},
        PlanCase{"deleteSkipsOutOfRange", k6, {5, 0, 9, -1}, [](auto& d, auto& s) { return deleted(d, s); },
                 {1, 2, 3, 4}, {11, 12, 13, 14}, {}},
        PlanCase{"duplicateAfterTheLast", k6, {1, 3}, [](auto& d, auto& s) { return duplicated(d, s); },
                 {0, 1, 2, 3, 1, 3, 4, 5}, {10, 11, 12, 13, 11, 13, 14, 15}, {4, 5}},
        PlanCase{"reverseTheSelectionInPlace", k6, {1, 2, 4}, [](auto& d, auto& s) { return reversed(d, s); },
                 {0, 4, 2, 3, 1, 5}, {10, 14, 12, 13, 11, 15}, {1, 2, 4}},
        PlanCase{"reverseAllWithOneSelected", {1, 2, 3}, {1}, [](auto& d, auto& s) { return reversed(d, s); },
                 {2, 1, 0}, {3, 2, 1}, {1}},
        PlanCase{"oneDelay", k6, {0, 5}, [](auto& d, auto& s) { return withDelay(d, s, 7); },
                 {0, 1, 2, 3, 4, 5}, {7, 11, 12, 13, 14, 7}, {0, 5}},
        // 200 %: 10+10+10 = 30 hundredths become 15, rounded on the running
        // time (5, 10, 15 -> 5, 5, 5) instead of each 10/2.
        PlanCase{"twiceAsFast", {10, 10, 10, 10}, {0, 1, 2}, [](auto& d, auto& s) { return atSpeed(d, s, 200); },
                 {0, 1, 2, 3}, {5, 5, 5, 10}, {0, 1, 2}},
        // 7 each at 200 %: running 3.5, 7, 10.5, 14 round to 4, 7, 11, 14.
        PlanCase{"oddDelaysKeepTheTotal", {7, 7, 7, 7}, {0, 1, 2, 3},
                 [](auto& d, auto& s) { return atSpeed(d, s, 200); }, {0, 1, 2, 3}, {4, 3, 4, 3}, {0, 1, 2, 3}},
        PlanCase{"halfAsFast", {3, 5, 40000}, {0, 1, 2}, [](auto& d, auto& s) { return atSpeed(d, s, 50); },
                 {0, 1, 2}, {6, 10, 65535}, {0, 1, 2}},
        // Every second of frames 1..4: frames 2 and 4 go, their delays to 1 and 3.
        PlanCase{"dropEverySecond", k6, {1, 2, 3, 4}, [](auto& d, auto& s) { return everyNthDropped(d, s, 2); },
                 {0, 1, 3, 5}, {10, 11 + 12, 13 + 14, 15}, {1, 2}},
        // A dropped frame after an unselected one gives its delay to that one.
        PlanCase{"dropGivesToTheFrameShownBefore", k6, {0, 2, 5},
                 [](auto& d, auto& s) { return everyNthDropped(d, s, 3); }, {0, 1, 2, 3, 4}, {10, 11, 12, 13, 14 + 15},
                 {0, 2}},
        PlanCase{"dropEveryOneChangesNothing", k6, {1, 2}, [](auto& d, auto& s) { return everyNthDropped(d, s, 1); },
                 {0, 1, 2, 3, 4, 5}, k6, {1, 2}}),
    [](const ::testing::TestParamInfo<PlanCase>& info) { return std::string(info.param.name); });

// Whatever the speed, the selection's total is its old total scaled,
// rounded once: the running-time rounding never drifts.
TEST(FrameOpsSpeed, theTotalScalesWhateverTheDelaysAndPercent)
{
    std::vector<int> delays(97);
    for (std::size_t i = 0; i < delays.size(); ++i)
        delays[i] = int((i * 37) % 23);
    std::vector<int> all(delays.size());
    std::iota(all.begin(), all.end(), 0);
    const long total = std::accumulate(delays.begin(), delays.end(), 0L);
    for (int percent : {3, 33, 50, 67, 100, 150, 200, 300, 1000}) {
        const Plan plan = atSpeed(delays, all, percent);
        const long scaled = std::accumulate(plan.delays.begin(), plan.delays.end(), 0L);
        EXPECT_EQ(scaled, (total * 200 + percent) / (2 * percent)) << percent;
    }
}

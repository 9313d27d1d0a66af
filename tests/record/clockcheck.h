// What the recording tests check of a recorded clock: every frame shows a
// time the window drew, later than the frame before, and starts in the
// animation (delays in hundredths) within `slackMs` of when that time was
// drawn.
#pragma once

#include <gtest/gtest.h>
#include <set>
#include <vector>

inline void expectClockInOrderAndOnTime(const std::vector<int>& shown, const std::vector<int>& delays,
                                        const std::set<int>& drawn, int slackMs)
{
    ASSERT_EQ(shown.size(), delays.size());
    int start = 0;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        ASSERT_TRUE(drawn.count(shown[i])) << "frame " << i << " shows " << shown[i];
        if (i > 0) {
            EXPECT_GT(shown[i], shown[i - 1]) << i;
        }
        EXPECT_NEAR(shown[i] - shown[0], start * 10, slackMs) << i;
        start += delays[i];
    }
}

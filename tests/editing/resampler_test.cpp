#include "common/error.h"
#include "editing/resampler.h"

#include <QRandomGenerator>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

using namespace orugif::editing;

namespace {
const Filter& mitchell() { return filters()[kMitchell]; }

float weightOf(const std::vector<Contributor>& list, int index)
{
    float sum = 0;
    for (const Contributor& c : list)
        if (c.index == index)
            sum += c.weight;
    return sum;
}
} // namespace

TEST(Filters, tableHoldsTheSevenFiltersInOrder)
{
    const char* names[] = {"Box", "Triangle", "Hermite", "Bell", "B-Spline", "Lanczos3", "Mitchell"};
    for (int i = 0; i < 7; ++i)
        EXPECT_STREQ(filters()[std::size_t(i)].name, names[i]);
    EXPECT_FLOAT_EQ(mitchell().weight(0), 8.0f / 9.0f);
    EXPECT_NEAR(mitchell().weight(1), 1.0f / 18.0f, 1e-6);
    EXPECT_NEAR(mitchell().weight(-1), 1.0f / 18.0f, 1e-6);
    EXPECT_EQ(mitchell().weight(2), 0.0f);
    EXPECT_LT(mitchell().weight(1.5f), 0.0f);  // the negative lobe that overshoots
    EXPECT_EQ(filters()[0].weight(-0.5f), 0.0f);
    EXPECT_EQ(filters()[0].weight(0.5f), 1.0f);
    EXPECT_FLOAT_EQ(filters()[5].weight(0), 1.0f);
}

TEST(Contributors, sameSizeMixesNeighboursAndReflectsAtBothEdges)
{
    const Contributors lists = contributors(5, 5, mitchell(), 2.0f);
    ASSERT_EQ(lists.size(), 5u);
    const auto& middle = lists[2];
    ASSERT_EQ(middle.size(), 3u);  // the zero weights at distance 2 are skipped
    EXPECT_FLOAT_EQ(weightOf(middle, 2), 8.0f / 9.0f);
    EXPECT_NEAR(weightOf(middle, 1), 1.0f / 18.0f, 1e-6);
    // Position -1 reads pixel 1; position 5 reads pixel 4.
    EXPECT_EQ(lists[0][0].index, 1);
    EXPECT_EQ(lists[4].back().index, 4);
    EXPECT_NEAR(weightOf(lists[4], 4), 8.0f / 9.0f + 1.0f / 18.0f, 1e-6);
}

TEST(Contributors, reductionWidensTheReachAndScalesTheWeights)
{
    const Contributors lists = contributors(100, 10, mitchell(), 2.0f);
    // Scale 9/99: reach 22, weights divided by 11; column 9 is centred on 99.
    for (const auto& list : lists)
        EXPECT_LE(list.size(), 45u);
    const auto& last = lists[9];
    const auto heaviest = std::max_element(last.begin(), last.end(), [](auto a, auto b) { return a.weight < b.weight; });
    EXPECT_EQ(heaviest->index, 99);
    EXPECT_NEAR(heaviest->weight, mitchell().weight(0) / 11.0f, 1e-6);
    // Positions 77 to 121 are in reach; 77 and 121 lie at distance 2, weight 0;
    // 100 to 121 reflect back onto 99 down to 78.
    int lowest = 100;
    for (const Contributor& c : last)
        lowest = std::min(lowest, c.index);
    EXPECT_EQ(lowest, 78);
    EXPECT_EQ(last.size(), 43u);  // both ends of the reach weigh 0
}

TEST(Contributors, aOnePixelDestinationStaysInsideTheSource)
{
    for (int source : {1, 2, 10, 1000}) {
        const Contributors lists = contributors(source, 1, mitchell(), 2.0f);
        ASSERT_EQ(lists.size(), 1u);
        EXPECT_FALSE(lists[0].empty());
        for (const Contributor& c : lists[0]) {
            EXPECT_GE(c.index, 0);
            EXPECT_LT(c.index, source);
            EXPECT_TRUE(std::isfinite(c.weight));
        }
    }
}

TEST(FilteredResize, aOnePixelWidthOrHeightAveragesTheWholeSource)
{
    // A 0-255 ramp across (or down) the source comes out near its middle,
    // whatever the source's length.
    for (int length : {2, 3, 7, 256, 1000}) {
        for (bool across : {true, false}) {
            SCOPED_TRACE(std::to_string(length) + (across ? " across" : " down"));
            QImage ramp(across ? length : 3, across ? 3 : length, QImage::Format_RGB32);
            for (int i = 0; i < length; ++i) {
                const int v = length == 1 ? 0 : i * 255 / (length - 1);
                for (int k = 0; k < 3; ++k)
                    ramp.setPixel(across ? i : k, across ? k : i, qRgb(v, v, v));
            }
            const QImage one = filteredResize(ramp, across ? QSize(1, 3) : QSize(3, 1), mitchell(), 2.0f);
            EXPECT_NEAR(qRed(one.pixel(0, 0)), 128, 3);
        }
    }
}

TEST(FilteredResize, keepsAUniformPictureUniformAtTheSameSize)
{
    QImage grey(7, 5, QImage::Format_RGB32);
    grey.fill(QColor(100, 150, 200));
    const QImage same = filteredResize(grey, grey.size(), mitchell(), 2.0f);
    EXPECT_EQ(same, grey);
}

TEST(FilteredResize, everyPixelIsItsClampedRoundedWeightedSum)
{
    // An independent column-by-column computation of both passes.
    QImage source(9, 7, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            source.setPixel(x, y, random.bounded(2) ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    for (QSize size : {QSize(23, 17), QSize(4, 3), QSize(1, 1), QSize(9, 7)}) {
        const QImage result = filteredResize(source, size, mitchell(), 2.0f);
        const Contributors cols = contributors(source.width(), size.width(), mitchell(), 2.0f);
        const Contributors rows = contributors(source.height(), size.height(), mitchell(), 2.0f);
        const auto clampRound = [](float s) { return s > 255 ? 255 : s < 0 ? 0 : int(std::lrint(s)); };
        bool clamped = false;
        for (int x = 0; x < size.width(); ++x)
            for (int y = 0; y < size.height(); ++y) {
                float sum = 0;
                for (const Contributor& r : rows[std::size_t(y)]) {
                    float h = 0;
                    for (const Contributor& c : cols[std::size_t(x)])
                        h += float(qRed(source.pixel(c.index, r.index))) * c.weight;
                    sum += float(clampRound(h)) * r.weight;
                    clamped |= h < 0 || h > 255;
                }
                ASSERT_EQ(qRed(result.pixel(x, y)), clampRound(sum)) << size.width() << 'x' << size.height();
            }
        if (size == QSize(23, 17)) {
            EXPECT_TRUE(clamped);  // the cubic overshoots at these sharp edges
        }
    }
}

TEST(FilteredResize, refusesAnEmptySource)
{
    try {
        filteredResize(QImage(), {4, 4}, mitchell(), 2.0f);
        FAIL();
    } catch (const orugif::Error& e) {
        EXPECT_STREQ(e.what(), "Source bitmap too small");
    }
}

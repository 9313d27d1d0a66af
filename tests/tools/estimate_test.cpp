// The size estimate of "&Optimisation...": a long one (merging many frames)
// tells how far it is, in the dialog and through its progress.
#include "tools/dialogs/propertiesdialog.h"
#include "tools/optimisation.h"

#include <QElapsedTimer>
#include <algorithm>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

using namespace orugif;

namespace {

// Frames that differ a little from one to the next, as a recording does.
std::vector<QImage> movingFrames(int count, int w = 64, int h = 48)
{
    std::vector<QImage> frames;
    for (int i = 0; i < count; ++i) {
        QImage frame(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y) {
            auto* row = reinterpret_cast<QRgb*>(frame.scanLine(y));
            for (int x = 0; x < w; ++x)
                row[x] = qRgb((x + i) * 4 & 0xff, y * 5 & 0xff, (x * y + i) & 0xff);
        }
        frames.push_back(frame);
    }
    return frames;
}

} // namespace

class EstimateProgress : public ::testing::TestWithParam<bool> {};

TEST_P(EstimateProgress, climbsFromZeroToAHundredThroughEveryStage)
{
    AnimationSettings settings;
    settings.MergeDuplicatePixels = GetParam();
    settings.RemoveUselessFrames = GetParam();
    std::vector<int> heard;
    const std::int64_t size =
        tools::estimatedSize(movingFrames(30), settings, nullptr, [&](int percent) { heard.push_back(percent); });
    EXPECT_EQ(size, tools::estimatedSize(movingFrames(30), settings));  // the same answer
    ASSERT_GE(heard.size(), 10u);
    EXPECT_EQ(heard.front(), 0);
    EXPECT_EQ(heard.back(), 100);
    EXPECT_TRUE(std::is_sorted(heard.begin(), heard.end()));
    EXPECT_EQ(std::adjacent_find(heard.begin(), heard.end()), heard.end());  // each value once
    // Building, optimising (when there is something to merge) and writing
    // each report on the way.
    for (const auto& [low, high] : {std::pair{1, 39}, std::pair{41, 89}, std::pair{91, 99}})
        if (GetParam() || low != 41) {
            EXPECT_TRUE(std::any_of(heard.begin(), heard.end(), [&](int p) { return p >= low && p <= high; }))
                << low << "-" << high;
        }
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutMerging, EstimateProgress, ::testing::Bool());

TEST(EstimateProgress, theDialogShowsThePercentWhileItEstimates)
{
    TOptimum dialog;
    dialog.Init(false, true, true);
    auto* size = dialog.findChild<QLabel*>("Label1");
    ASSERT_TRUE(size);
    AnimationSettings settings;
    settings.MergeDuplicatePixels = true;
    dialog.EstimateFor(movingFrames(200, 160, 120), settings);
    QStringList seen;
    QElapsedTimer timer;
    timer.start();
    while (!size->text().endsWith("octets") && timer.elapsed() < 60000) {
        if (seen.isEmpty() || seen.back() != size->text())
            seen << size->text();
        QTest::qWait(1);
    }
    EXPECT_TRUE(size->text().endsWith("octets")) << size->text().toStdString();
    EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [](const QString& t) {
        return t.startsWith(QString::fromUtf8("Taille estimée : … ")) && t.endsWith(" %");
    })) << seen.join(" | ").toStdString();
}

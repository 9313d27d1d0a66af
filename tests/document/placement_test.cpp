// "Ajuster": a picture of another size fitted to the frames, on import and
// in the animation wizard, beside the placement at its own size.
#include "document/placement.h"
#include "document/scripted.h"
#include "editing/resampler.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orugif;
using orugif::test::Document;

namespace {

struct FitCase {
    QSize picture, frame, fitted;
};

class FittedSize : public ::testing::TestWithParam<FitCase> {};

// A 40 x 20 picture: red on the left half, blue on the right.
QImage halves()
{
    QImage p = testsupport::solid(40, 20, 0xff0000);
    for (int y = 0; y < 20; ++y)
        for (int x = 20; x < 40; ++x)
            p.setPixel(x, y, qRgb(0, 0, 255));
    return p;
}

// Whether `frame` holds `inner` at `at` and white everywhere else.
bool holds(const QImage& frame, const QImage& inner, QPoint at)
{
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x) {
            const QPoint p(x, y);
            const QRect area(at, inner.size());
            const QRgb want = area.contains(p) ? inner.pixel(p - at) : qRgb(255, 255, 255);
            if ((frame.pixel(p) & 0xffffff) != (want & 0xffffff))
                return false;
        }
    return true;
}

} // namespace

TEST_P(FittedSize, isTheLargestOfThePicturesAspectInsideTheFrame)
{
    EXPECT_EQ(fittedSize(GetParam().picture, GetParam().frame), GetParam().fitted);
}

INSTANTIATE_TEST_SUITE_P(Sizes, FittedSize,
                         ::testing::Values(FitCase{{40, 20}, {20, 20}, {20, 10}},
                                           FitCase{{10, 10}, {30, 20}, {20, 20}},
                                           FitCase{{1, 100}, {10, 10}, {1, 10}},
                                           FitCase{{3000, 1}, {20, 20}, {20, 1}},
                                           FitCase{{640, 480}, {320, 240}, {320, 240}}));

// "Ajuster" scales with Mitchell into the middle of the frame; "Placer"
// keeps today's placement; a cancel changes nothing.
TEST(Placement, importAsksWhenTheSizesDifferAndFitsWithMitchell)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("halves.png");
    ASSERT_TRUE(halves().save(path));
    const QImage expected = editing::filteredResize(halves(), QSize(20, 10),
                                                    editing::filters()[editing::kMitchell], 2.0f);

    Document d;
    d.fill({0xffffff, 0xffffff}, 20, 20);
    d.prompts.importFile = path;
    d.prompts.placement = Placement::Cancel;
    d.child.Importer();
    EXPECT_EQ(d.prompts.placementAsked, std::make_pair(QSize(40, 20), QSize(20, 20)));
    EXPECT_EQ(d.child.history().count(), 0);

    d.prompts.placement = Placement::Fit;
    d.child.Importer();
    EXPECT_TRUE(holds(d.child.picture(), expected, QPoint(0, 5)));
    EXPECT_EQ(d.child.history().undoName(), "Importer image");

    d.child.Annule();
    d.prompts.placement = Placement::Place;
    d.child.Importer();
    // At its own size, centred: the middle 20 columns, red then blue.
    EXPECT_EQ(d.child.picture().pixel(9, 10) & 0xffffff, 0xff0000u);
    EXPECT_EQ(d.child.picture().pixel(10, 10) & 0xffffff, 0x0000ffu);
    EXPECT_EQ(d.child.picture().pixel(10, 0) & 0xffffff, 0x0000ffu);

    // A picture of the frame size is placed without a question.
    d.prompts.placementAsked = {};
    ASSERT_TRUE(testsupport::solid(20, 20, 0x00ff00).save(path));
    d.child.Importer();
    EXPECT_EQ(d.prompts.placementAsked.first, QSize());
}

TEST(Placement, theWizardFitsItsPicturesWhenAsked)
{
    QTemporaryDir dir;
    const QString first = dir.filePath("a.png"), second = dir.filePath("b.png");
    ASSERT_TRUE(testsupport::solid(20, 20, 0x00ff00).save(first));
    ASSERT_TRUE(halves().save(second));
    const QImage expected = editing::filteredResize(halves(), QSize(20, 10),
                                                    editing::filters()[editing::kMitchell], 2.0f);
    for (bool fit : {false, true}) {
        Document d;
        AnimationWizardResult wizard;
        wizard.files = {first, second};
        wizard.fit = fit;
        d.child.buildAnimation(wizard);
        ASSERT_EQ(d.child.ImageList1.count(), 2);
        const QImage frame = d.child.ImageList1.frame(1);
        if (fit)
            EXPECT_TRUE(holds(frame, expected, QPoint(0, 5)));
        else
            EXPECT_TRUE(holds(frame, halves().copy(0, 0, 20, 20), QPoint(0, 0)));  // cut at the right
    }
}

// The special effects' stated values, edges and the dialog's session rules.
#include "editing/effects.h"
#include "editing/effectsession.h"
#include "support/testsupport.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace orugif::editing;

namespace {

int indexOf(const char* name) { return int(effectNames().indexOf(QString::fromUtf8(name))); }

// A one-row picture of grey levels.
QImage greys(std::initializer_list<int> levels)
{
    QImage image(int(levels.size()), 1, QImage::Format_RGB32);
    int x = 0;
    for (int v : levels)
        image.setPixel(x++, 0, qRgb(v, v, v));
    return image;
}

std::vector<int> blues(const QImage& image)
{
    std::vector<int> out;
    for (int x = 0; x < image.width(); ++x)
        out.push_back(qBlue(image.pixel(x, 0)));
    return out;
}

QImage applied(QImage image, const char* name)
{
    Effects effects(42, [] { return 7u; });
    effects.apply(image, indexOf(name));
    return image;
}

QImage noise(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator random(3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, 0xff000000u | (random.generate() & 0xffffffu));
    return image;
}

} // namespace

TEST(Effects, theListHoldsTwentyThreeEffectsInOrder)
{
    ASSERT_EQ(effectNames().size(), kEffectCount);
    EXPECT_EQ(effectNames().front(), "Neige");
    EXPECT_EQ(indexOf("Bruit coloré"), 12);
    EXPECT_EQ(effectNames().back(), QString::fromUtf8("Bougé"));
}

TEST(Effects, toneCurvesGiveTheirStatedValues)
{
    EXPECT_EQ(blues(applied(greys({0, 1, 128, 254, 255}), "Neige")), (std::vector<int>{0, 2, 181, 255, 255}));
    EXPECT_EQ(blues(applied(greys({255, 100}), "Assombrir")), (std::vector<int>{225, 89}));
    EXPECT_EQ(blues(applied(greys({0, 255}), "Brillance")), (std::vector<int>{10, 255}));
    EXPECT_EQ(blues(applied(greys({127, 128, 255, 0}), "Contraste")), (std::vector<int>{127, 128, 255, 0}));
    EXPECT_EQ(blues(applied(greys({0, 200}), "Inverser")), (std::vector<int>{255, 55}));
}

TEST(Effects, saturationAndChannelFilters)
{
    QImage red(1, 1, QImage::Format_RGB32);
    red.setPixel(0, 0, qRgb(255, 0, 0));  // (B, G, R) = (0, 0, 255)
    EXPECT_EQ(applied(red, "Saturation").pixel(0, 0), qRgb(91, 82, 82));
    QImage mixed(1, 1, QImage::Format_RGB32);
    mixed.setPixel(0, 0, qRgb(10, 20, 30));
    EXPECT_EQ(applied(mixed, "Bleu dominant").pixel(0, 0), qRgb(0, 0, 30));
    EXPECT_EQ(applied(mixed, "Vert dominant").pixel(0, 0), qRgb(0, 20, 0));
    EXPECT_EQ(applied(mixed, "Rouge dominant").pixel(0, 0), qRgb(10, 0, 0));
}

TEST(Effects, shadowsCopyTheSourcePlusOneModulo256WhereItIsDarker)
{
    // A white picture with one dark pixel and one 255-blue, 0-red pixel.
    QImage p = testsupport::solid(10, 10, 0xffffff);
    p.setPixel(6, 2, qRgb(10, 20, 30));
    const QImage se = applied(p, "Ombre S.E.");  // source (x + 4, y - 4)
    EXPECT_EQ(se.pixel(2, 6), qRgb(11, 21, 31));
    EXPECT_EQ(se.pixel(6, 2), qRgb(10, 20, 30));

    QImage q = testsupport::solid(10, 10, 0xffffff);
    q.setPixel(1, 1, qRgb(255, 255, 0));  // blue 0 < 255; red and green wrap to 0
    const QImage no = applied(q, "Ombre N.O.");  // source (x - 4, y + 4): lands at (5, -3): nothing
    EXPECT_EQ(no, q);
    const QImage so = applied(q, "Ombre S.O.");  // source (x - 4, y - 4): lands at (5, 5)
    EXPECT_EQ(so.pixel(5, 5), qRgb(0, 0, 1));
    EXPECT_EQ(applied(testsupport::solid(4, 4, 0), "Ombre N.E."), testsupport::solid(4, 4, 0));
}

TEST(Effects, medallionOnWhiteKeepsTheInsideAndBlackensTheRest)
{
    const QImage m = applied(testsupport::solid(21, 15, 0xffffff), "Médaillon");
    EXPECT_EQ(m.pixel(10, 7), qRgb(254, 254, 254));
    EXPECT_EQ(m.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(m.pixel(20, 14), qRgb(0, 0, 0));
    EXPECT_EQ(m.pixel(0, 7), qRgb(0, 0, 0));  // the outline at the left end of the middle row
    int inside = 0;
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 21; ++x)
            inside += m.pixel(x, y) == qRgb(254, 254, 254);
    // Roughly the area of the ellipse of radii 10 and 7, less its outline.
    EXPECT_GT(inside, 150);
    EXPECT_LT(inside, 220);
}

TEST(Effects, outlineMarksTheNonBackgroundSideOfEdges)
{
    // A red square on white: the first difference found in scan order is
    // the square below (3, 1), so the square counts as background and the
    // white side of its edges is marked.
    QImage p = testsupport::solid(8, 6, 0xffffff);
    for (int y = 2; y < 4; ++y)
        for (int x = 3; x < 5; ++x)
            p.setPixel(x, y, qRgb(200, 0, 0));
    const QImage o = applied(p, "Noir");
    EXPECT_EQ(o.pixel(3, 1), qRgb(0, 0, 0));
    EXPECT_EQ(o.pixel(4, 1), qRgb(0, 0, 0));
    EXPECT_EQ(o.pixel(2, 2), qRgb(0, 0, 0));
    EXPECT_EQ(o.pixel(3, 2), qRgb(200, 0, 0));
    EXPECT_EQ(o.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(applied(testsupport::solid(2, 5, 0x123456), "Noir"), testsupport::solid(2, 5, 0x123456));
}

TEST(Effects, reliefAndDisplacementsKeepTheirUntouchedEdges)
{
    const QImage p = noise(12, 60);
    const QImage r = applied(p, "Flou");
    for (int x = 9; x < 12; ++x)
        EXPECT_EQ(r.pixel(x, 0), p.pixel(x, 0));  // the last three columns
    EXPECT_EQ(qBlue(r.pixel(0, 0)), (qBlue(p.pixel(0, 0)) + 255 - qBlue(p.pixel(3, 1))) / 2);

    const QImage low = noise(30, 50);  // height 50 or less: nothing moves
    for (const char* name : {"Bandes verticales", "Triangles", "Neige fondue"})
        EXPECT_EQ(applied(low, name), low) << name;
    const QImage bands = applied(p, "Bandes verticales");
    EXPECT_EQ(bands.pixel(3, 3), p.pixel(3, 0));  // offset 3 in column 3
    EXPECT_EQ(applied(p, "Triangles").pixel(3, 3), p.pixel(3, 0));
}

TEST(Effects, noiseStaysWithinItsAmplitude)
{
    const QImage p = testsupport::solid(40, 40, 0x808080);
    for (const char* name : {"Bruit coloré", "Bruit monochrome"}) {
        const QImage n = applied(p, name);
        bool changed = false;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
                const QRgb c = n.pixel(x, y);
                ASSERT_GE(qRed(c), 118);
                ASSERT_LE(qRed(c), 137);
                changed |= c != p.pixel(x, y);
                if (QByteArray(name) == "Bruit monochrome") {
                    ASSERT_TRUE(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c));
                }
            }
        EXPECT_TRUE(changed) << name;
    }
}

TEST(Effects, textureTilesAndSampleAndHoldKeepsTheFirstPixel)
{
    const QImage p = noise(120, 70);
    const QImage t = applied(p, "Texture");
    EXPECT_EQ(t.pixel(53, 61), t.pixel(3, 11));
    const QImage b = applied(p, "Bougé");
    for (int y = 0; y < 70; ++y)
        EXPECT_EQ(b.pixel(0, y), p.pixel(0, y));
}

TEST(EffectSession, previewRestoreAndConfirm)
{
    EffectSession session(Effects(1, [] { return 1u; }));
    const QImage picture = greys({0, 100, 200});
    session.Init(picture);
    session.restore();  // before any preview: nothing
    EXPECT_EQ(session.work(), picture);
    session.preview(indexOf("Inverser"));
    session.preview(indexOf("Inverser"));
    EXPECT_EQ(session.work(), picture);
    session.restore();
    EXPECT_EQ(blues(session.work()), (std::vector<int>{255, 155, 55}));
    session.restore();  // only one step back
    EXPECT_EQ(blues(session.work()), (std::vector<int>{255, 155, 55}));
    EXPECT_EQ(session.applied(), std::vector<int>{indexOf("Inverser")});  // what other frames replay
    session.preview(-1);  // nothing selected: the restore copy is still taken
    session.restore();
    EXPECT_EQ(blues(session.work()), (std::vector<int>{255, 155, 55}));
    EXPECT_EQ(session.applied(), std::vector<int>{indexOf("Inverser")});

    QImage result = picture;
    session.Result(result);
    EXPECT_EQ(result, picture);
    session.confirmed = true;
    session.Result(result);
    EXPECT_EQ(blues(result), (std::vector<int>{255, 155, 55}));
}

TEST(EffectSession, previewBoxKeepsTheAspectRatioOfLargePictures)
{
    EXPECT_EQ(EffectSession::previewRect({400, 300}), QRect(0, 0, 209, 157));
    EXPECT_EQ(EffectSession::previewRect({300, 400}), QRect(0, 0, 175, 233));
    EXPECT_EQ(EffectSession::previewRect({300, 100}), QRect(0, 0, 300, 100));  // clipped, not scaled
}

TEST(Effects, noiseGoesOnAcrossDialogsAndFramesInsteadOfRepeating)
{
    // Each opening of the effects dialog makes a new session; two frames
    // given the same noise effect must not get the same noise.
    for (int index : {12, 13, 19}) {
        SCOPED_TRACE(index);
        QImage grey = testsupport::solid(64, 64, 0x808080);
        for (int y = 0; y < 64; ++y)
            grey.setPixel(y, y, qRgb(0, 0, 0));  // something for the snow to carry down
        EffectSession first, second;
        first.Init(grey);
        second.Init(grey);
        first.preview(index);
        second.preview(index);
        EXPECT_NE(first.work(), second.work());
    }
    // A seeded generator repeats itself, for tests.
    QImage a = testsupport::solid(16, 16, 0x808080), b = a;
    Effects(5).apply(a, 12);
    Effects(5).apply(b, 12);
    EXPECT_EQ(a, b);
}

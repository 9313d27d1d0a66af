// Text stamps and banner frames.
#include "editing/text.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

using namespace orugif;
using namespace orugif::editing;

namespace {

QRect paintedArea(const QImage& image, QRgb background)
{
    QRect area;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background)
                area |= QRect(x, y, 1, 1);
    return area;
}


} // namespace

TEST(TextFonts, pointsAreScreenPixelsFlatAndPixelsAtAnAngle)
{
    TextFont font;
    font.pointSize = 12;
    font.bold = font.italic = true;
    EXPECT_EQ(font.horizontal().pixelSize(), 16);
    EXPECT_TRUE(font.horizontal().bold());
    EXPECT_EQ(font.rotated().pixelSize(), 12);
    EXPECT_FALSE(font.rotated().bold());
    EXPECT_FALSE(font.rotated().italic());
}

TEST(TextStamp, flatTextStandsOnAWhiteBox)
{
    QImage p = testsupport::solid(120, 40, 0x000000);
    TextFont font;
    font.colour = colourFromRgb(255, 0, 0);
    drawTextOnWhite(p, 5, 6, QStringLiteral("Oru"), font);
    const QRect area = paintedArea(p, qRgb(0, 0, 0));
    EXPECT_EQ(area.topLeft(), QPoint(5, 6));
    EXPECT_GT(testsupport::countPixels(p, qRgb(255, 255, 255)), 0);
    EXPECT_GT(testsupport::countPixels(p, qRgb(255, 0, 0)), 0);
    drawTextOnWhite(p, 50, 6, QString(), font);
    EXPECT_EQ(paintedArea(p, qRgb(0, 0, 0)), area);
}

TEST(TextStamp, anglesTurnTheTextAndPaintOnlyTheGlyphs)
{
    TextFont font;
    font.pointSize = 14;
    QImage up = testsupport::solid(80, 120, 0x808080);
    RotTextOut(up, 30, 100, QStringLiteral("Texte"), 90, font);
    const QRect area = paintedArea(up, qRgb(128, 128, 128));
    ASSERT_FALSE(area.isEmpty());
    EXPECT_LE(area.bottom(), 100);  // upwards from the point
    EXPECT_GT(area.height(), area.width());
    EXPECT_GE(area.left(), 30);
    EXPECT_EQ(testsupport::countPixels(up, qRgb(255, 255, 255)), 0);  // no background box

    QImage down = testsupport::solid(80, 120, 0x808080);
    RotTextOut(down, 30, 10, QStringLiteral("Texte"), -90, font);
    EXPECT_GE(paintedArea(down, qRgb(128, 128, 128)).top(), 10);

    QImage plain = testsupport::solid(120, 120, 0x808080);
    QImage bold = plain.copy();
    RotTextOut(plain, 10, 60, QStringLiteral("Gras"), 30, font);
    font.bold = true;
    RotTextOut(bold, 10, 60, QStringLiteral("Gras"), 30, font);
    EXPECT_EQ(plain, bold);  // bold is ignored at an angle
}

TEST(Banner, bounceGoesDownToTheBottomThenBack)
{
    std::vector<int> xs, ys;
    for (int i = 1; i <= 10; ++i) {
        const QPoint at = *bannerPosition(QStringLiteral("Rebond"), i, 10, {300, 60}, {40, 12});
        xs.push_back(at.x());
        ys.push_back(at.y());
    }
    EXPECT_EQ(ys, (std::vector<int>{12, 24, 36, 48, 60, 48, 36, 24, 12, 0}));
    EXPECT_EQ(xs, (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
    EXPECT_EQ(bannerPosition(QString::fromUtf8("Défilement"), 4, 4, {200, 60}, {40, 12}), QPoint(200, 24));
    EXPECT_FALSE(bannerPosition(QStringLiteral("Clignotement"), 2, 4, {200, 60}, {40, 12}));
    EXPECT_FALSE(bannerPosition(QStringLiteral("rebond"), 1, 4, {200, 60}, {40, 12}));
}

TEST(Banner, blinkingFramesAndColoursThatStayAfterTheTenth)
{
    TextFont font;
    font.pointSize = 14;
    const auto blink = AjoutTxt({160, 40}, QStringLiteral("Oru"), font, QStringLiteral("Clignotement"), 4);
    ASSERT_EQ(blink.size(), 4u);
    EXPECT_FALSE(paintedArea(blink[0], qRgb(255, 255, 255)).isEmpty());
    EXPECT_TRUE(paintedArea(blink[1], qRgb(255, 255, 255)).isEmpty());
    EXPECT_FALSE(paintedArea(blink[2], qRgb(255, 255, 255)).isEmpty());
    EXPECT_TRUE(paintedArea(blink[3], qRgb(255, 255, 255)).isEmpty());

    const auto colours = AjoutTxt({160, 40}, QStringLiteral("Oru"), font, QStringLiteral("Couleurs"), 12);
    ASSERT_EQ(colours.size(), 12u);
    const QRgb olive = toQRgb(0x808000);  // 0x00BBGGRR
    for (int i : {9, 10, 11})
        EXPECT_GT(testsupport::countPixels(colours[std::size_t(i)], olive), 0) << i;
    EXPECT_EQ(testsupport::countPixels(colours[1], olive), 0);
    EXPECT_EQ(font.colour, 0x808000);
    EXPECT_TRUE(AjoutTxt({160, 40}, QStringLiteral("Oru"), font, QStringLiteral("Zoom"), 0).empty());
}

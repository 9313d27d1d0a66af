#include "editing/text.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStringList>
#include <array>
#include <cmath>

namespace orugif::editing {

QFont TextFont::horizontal() const
{
    QFont font(family);
    font.setPixelSize(std::max(1, int(std::lround(pointSize * 96.0 / 72.0))));
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikeOut);
    font.setStyleStrategy(QFont::NoAntialias);  // crisp glyphs: no blended colours in a GIF
    return font;
}

QFont TextFont::rotated() const
{
    QFont font(family);
    font.setPixelSize(std::max(1, pointSize));
    font.setWeight(QFont::Normal);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

void drawTextOnWhite(QImage& picture, int x, int y, const QString& text, const TextFont& font)
{
    if (text.isEmpty() || picture.isNull())
        return;
    const QFont f = font.horizontal();
    const QFontMetrics metrics(f);
    QPainter painter(&picture);
    painter.setFont(f);
    painter.fillRect(QRect(x, y, metrics.horizontalAdvance(text), metrics.height()), Qt::white);
    painter.setPen(toQColor(font.colour));
    painter.drawText(x, y + metrics.ascent(), text);
}

void RotTextOut(QImage& picture, int x, int y, const QString& text, int angle, const TextFont& font)
{
    if (text.isEmpty() || picture.isNull())
        return;
    const QFont f = font.rotated();
    QPainter painter(&picture);
    painter.setFont(f);
    painter.setPen(toQColor(font.colour));
    painter.translate(x, y);
    painter.rotate(-double(angle));  // counter-clockwise on screen
    painter.drawText(0, QFontMetrics(f).ascent(), text);
}

const QStringList& bannerEffects()
{
    static const QStringList names{QString::fromUtf8("Défilement"), QStringLiteral("Rebond"),
                                   QStringLiteral("Clignotement"), QStringLiteral("Couleurs")};
    return names;
}

std::optional<QPoint> bannerPosition(const QString& effect, int i, int n, QSize frame, QSize text)
{
    const int w = frame.width();
    const int h = frame.height();
    switch (bannerEffects().indexOf(effect)) {
    case 0:  // moves to the right; in the last frame it stands just outside
        return QPoint((w * i) / n, (h - text.height()) / 2);
    case 1: {  // down to the bottom at mid-run, then back up
        int y = (2 * i * h) / n;
        if (i > n / 2)
            y = 2 * h - y;
        return QPoint(10 * i, y);
    }
    case 2:  // odd frames only
        if (i % 2 == 0)
            return std::nullopt;
        [[fallthrough]];
    case 3:
        return QPoint((w - text.width()) / 2, (h - text.height()) / 2);
    default:
        return std::nullopt;
    }
}

std::vector<QImage> AjoutTxt(QSize size, const QString& text, TextFont& font, const QString& effect, int n)
{
    static constexpr std::array<Colour, 10> kColours{0x000000, 0x000080, 0x008000, 0x800000, 0x0000FF,
                                                     0xFF0000, 0xFFFF00, 0x00FFFF, 0x008080, 0x808000};
    std::vector<QImage> frames;
    if (n <= 0 || size.isEmpty())
        return frames;
    const QFontMetrics metrics(font.horizontal());
    const int tw = metrics.horizontalAdvance(text);
    const int th = metrics.height();
    const bool colours = effect == bannerEffects()[3];
    for (int i = 1; i <= n; ++i) {
        QImage p(size, QImage::Format_RGB32);
        p.fill(Qt::white);
        if (colours && i <= 10)
            font.colour = kColours[std::size_t(i - 1)];
        if (const auto at = bannerPosition(effect, i, n, size, QSize(tw, th)))
            drawTextOnWhite(p, at->x(), at->y(), text, font);
        frames.push_back(p);
    }
    return frames;
}

} // namespace orugif::editing

// Text and bitmaps of metafile playback: fonts sized through the mapping,
// alignment and advances, and DIB copies into the mapped rectangle.
#include "formats/gdi.h"

#include <QFontMetricsF>
#include <cmath>

namespace orugif::formats::gdi {

using namespace detail;

namespace {

constexpr double kMaxFontPixels = 2048;

} // namespace

// ---- Text ------------------------------------------------------------------

void Player::textOut(QPointF reference, const QString& text, const std::vector<double>& dx, int options,
                     const QRectF& rect)
{
    const QTransform t = logicalToImage();
    if (!finite(t) || !t.isInvertible())
        return;
    const bool updateCp = dc_.textAlign & 1;
    const QPointF at = t.map(updateCp ? dc_.current : reference);
    const double sx = scaleOf(t, false), sy = scaleOf(t, true);
    const LogFont& lf = dc_.font;
    // A negative height is the character height, a positive one the cell.
    double pixels = (lf.height < 0 ? -lf.height : lf.height > 0 ? lf.height * 0.87 : 12.0 / std::max(sy, 1e-9)) * sy;
    if (!(pixels >= 1) || !std::isfinite(at.x()) || !std::isfinite(at.y()))
        return;
    pixels = std::min(pixels, kMaxFontPixels);

    QFont font(lf.face.isEmpty() ? QStringLiteral("DejaVu Sans") : lf.face);
    font.setPixelSize(int(std::lround(pixels)));
    font.setWeight(QFont::Weight(std::clamp(lf.weight == 0 ? 400 : lf.weight, 1, 1000)));
    font.setItalic(lf.italic);
    font.setUnderline(lf.underline);
    font.setStrikeOut(lf.strikeOut);
    const QFontMetricsF fm(font);

    std::vector<double> pos;
    double width = 0;
    if (!dx.empty()) {
        for (qsizetype i = 0; i < text.size(); ++i) {
            pos.push_back(width);
            width += (std::size_t(i) < dx.size() ? dx[std::size_t(i)] : 0) * sx;
        }
    } else {
        width = fm.horizontalAdvance(text);
    }
    const int h = dc_.textAlign & 6, v = dc_.textAlign & 24;
    const double x0 = h == 6 ? -width / 2 : h == 2 ? -width : 0;
    const double y0 = v == 24 ? 0 : v == 8 ? -fm.descent() : fm.ascent();

    prepare(false);
    // ETO_OPAQUE fills the given rectangle; ETO_CLIPPED clips to it.
    if ((options & 2) && rect.isValid()) {
        charge(t.mapRect(rect.normalized()));
        painter_.fillRect(rect.normalized(), QColor::fromRgb(dc_.bkColour));
    }
    if ((options & 4) && rect.isValid())
        painter_.setClipPath(t.map(rectPath(rect.normalized())), Qt::IntersectClip);

    QTransform place;
    place.translate(at.x(), at.y());
    place.rotate(-lf.escapement / 10.0);
    charge(place.mapRect(QRectF(x0, y0 - fm.ascent(), width, fm.ascent() + fm.descent())), text.size());
    painter_.setTransform(place);
    painter_.setFont(font);
    if (dc_.opaqueBackground && !(options & 2))
        painter_.fillRect(QRectF(x0, y0 - fm.ascent(), width, fm.ascent() + fm.descent()),
                          QColor::fromRgb(dc_.bkColour));
    painter_.setPen(QColor::fromRgb(dc_.textColour));
    if (pos.empty()) {
        painter_.drawText(QPointF(x0, y0), text);
    } else {
        for (qsizetype i = 0; i < text.size(); ++i)
            painter_.drawText(QPointF(x0 + pos[std::size_t(i)], y0), QString(text[i]));
    }
    if (updateCp && sx > 0)
        dc_.current += QPointF(width / sx, 0);
}

// ---- Bitmaps ---------------------------------------------------------------

void Player::drawBitmap(const QRectF& dest, const QImage& source, const QRectF& srcRect)
{
    const QTransform t = logicalToImage();
    if (source.isNull() || !finite(t))
        return;
    const QRectF src = srcRect.normalized().intersected(QRectF(source.rect()));
    if (src.isEmpty())
        return;
    const QPointF p0 = t.map(dest.topLeft()), p1 = t.map(dest.bottomRight());
    const bool mirrorX = (p1.x() < p0.x()) != (srcRect.width() < 0);
    const bool mirrorY = (p1.y() < p0.y()) != (srcRect.height() < 0);
    // Bitmaps land on whole pixels, as on a device: no half-covered edges.
    const QRectF exact = QRectF(p0, p1).normalized();
    const QRectF target(QPointF(std::round(exact.left()), std::round(exact.top())),
                        QPointF(std::round(exact.right()), std::round(exact.bottom())));
    if (target.isEmpty() || target.width() > 1e6 || target.height() > 1e6)
        return;
    charge(target, qsizetype(src.width() * src.height() / kWorkPerElement));  // copying the source costs its area
    const QImage part = source.copy(src.toAlignedRect()).mirrored(mirrorX, mirrorY);
    prepare(false);
    painter_.resetTransform();
    painter_.drawImage(target, part);
}

void Player::patBlt(const QRectF& dest, std::uint32_t rop)
{
    switch (rop) {
    case 0x00F00021: // PATCOPY
        prepare(true);
        charge(logicalToImage().mapRect(dest.normalized()));
        painter_.fillRect(dest.normalized(), makeBrush(dc_.brush));
        break;
    case 0x00000042: fillRect(dest, Qt::black); break; // BLACKNESS
    case 0x00FF0062: fillRect(dest, Qt::white); break; // WHITENESS
    default: break;                                    // raster operations on the destination are left out
    }
}

} // namespace orugif::formats::gdi

#include "editing/transitions.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace orugif::editing {

namespace {

enum Kind { Slide, Blinds, Checker, Curtains, Cross, SlideDown, Zoom };

// Black lines of `width` with round ends, clipped to the frame; width 0 is
// the thinnest pen, one pixel.
class Lines {
public:
    Lines(QImage& canvas, int width) : painter_(&canvas), width_(std::max(width, 0))
    {
        QPen pen(Qt::black);
        pen.setWidth(std::max(width, 0));
        pen.setCapStyle(Qt::RoundCap);
        painter_.setPen(pen);
        painter_.setRenderHint(QPainter::Antialiasing, false);
    }
    void line(int x1, int y1, int x2, int y2)
    {
        if (x1 == x2 && y1 == y2 && width_ >= 2) {
            // A line of no length is its two round ends: a dot of the pen's
            // width (the painter draws nothing for it).
            painter_.save();
            painter_.setPen(Qt::NoPen);
            painter_.setBrush(Qt::black);
            painter_.drawEllipse(QRectF(x1 - width_ / 2.0, y1 - width_ / 2.0, width_, width_));
            painter_.restore();
            return;
        }
        painter_.drawLine(x1, y1, x2, y2);
    }

private:
    QPainter painter_;
    int width_;
};

void drawAt(QImage& canvas, const QImage& picture, int x, int y)
{
    QPainter painter(&canvas);
    painter.drawImage(x, y, picture);
}

// Plain stretched copy into `rect` (right and bottom exclusive); an empty
// rectangle draws nothing.
void drawScaled(QImage& canvas, const QImage& picture, const QRect& rect)
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(rect, picture);
}

// Frame k (1 to n) drawn onto `canvas`, which holds the previous frame for
// the accumulating kinds and a fresh copy of the picture otherwise.
void drawAfterFrame(QImage& canvas, const QImage& p, Kind kind, int k, int n)
{
    const int w = p.width();
    const int h = p.height();
    switch (kind) {
    case Slide:
        drawAt(canvas, p, k * (w / (n + 1)), 0);
        break;
    case SlideDown:
        drawAt(canvas, p, 0, k * (h / (n + 1)));
        break;
    case Blinds: {
        const int d = h / 10;
        Lines lines(canvas, k);
        for (int j = 1; j <= 10; ++j)
            lines.line(0, j * d, w, j * d);
        break;
    }
    case Checker: {
        const int s = w / 20;
        const int e = h / 20;
        const int o = k % 2 == 1 ? 2 * s : 0;
        Lines lines(canvas, k);
        for (int j = 1; j <= 10; ++j)
            for (int m = 0; m < 10; ++m)
                lines.line(o + 2 * s * m, j * 2 * e, o + 2 * s * m + s, j * 2 * e);
        break;
    }
    case Curtains: {
        Lines lines(canvas, (w / n) * k);
        lines.line(0, 0, 0, h);
        lines.line(w, 0, w, h);
        break;
    }
    case Cross: {
        Lines lines(canvas, (w / (2 * n)) * k);
        lines.line(w / 2, 0, w / 2, h);
        lines.line(0, h / 2, w, h / 2);
        break;
    }
    case Zoom: {
        const int c = h / (3 * n);
        drawScaled(canvas, p, QRect(QPoint(k * c, k * c), QPoint(w - k * c - 1, h - k * c - 1)));
        break;
    }
    }
}

} // namespace

const QStringList& transitionNames()
{
    static const QStringList names{
        QStringLiteral("Glissement horizontal"), QStringLiteral("Stores"),  QStringLiteral("Damier"),
        QStringLiteral("Rideaux"), QString::fromUtf8("Double séparation"), QStringLiteral("Glissement vertical"),
        QStringLiteral("Zoom"),
    };
    return names;
}

std::vector<QImage> transitionFrames(const QImage& picture, int kind, int n, bool after)
{
    std::vector<QImage> frames;
    if (picture.isNull() || kind < 0 || kind >= kTransitionCount || n <= 0)
        return frames;
    const QImage p = picture.convertToFormat(QImage::Format_RGB32);
    QImage canvas = p.copy();
    if (!after && kind == Slide) {
        // The picture slides in from the left over itself, in generation order.
        const int s = p.width() / (n + 1);
        for (int k = 1; k <= n; ++k) {
            drawAt(canvas, p, k * s - p.width(), 0);
            frames.push_back(canvas.copy());
        }
        return frames;
    }
    for (int k = 1; k <= n; ++k) {
        if (kind == Checker)
            canvas = p.copy();  // drawn afresh each time
        drawAfterFrame(canvas, p, Kind(kind), k, n);
        frames.push_back(canvas.copy());
    }
    // Before the picture the same frames run backwards: the most covered
    // first, the clean picture last.
    if (!after)
        std::reverse(frames.begin(), frames.end());
    return frames;
}

QRect transitionPreviewRect(QSize size, QSize box)
{
    if (size.isEmpty())
        return {};
    const double ratio = double(size.width()) / double(size.height());
    int w = size.width();
    int h = size.height();
    if (box.width() < w) {
        w = box.width();
        h = int(std::nearbyint(w / ratio));
    }
    if (box.height() < h) {
        h = box.height();
        w = int(std::nearbyint(ratio * h));
    }
    return QRect((box.width() - w) / 2, (box.height() - h) / 2, w, h);
}

} // namespace orugif::editing

#include "document/view/picturewidget.h"

#include "document/child.h"
#include "document/view/zoom.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace orugif {

PictureWidget::PictureWidget(TChild& child, QWidget* parent) : QWidget(parent), child_(child)
{
    setObjectName(QStringLiteral("Image1"));
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    connect(&child_, &TChild::textStamped, this, [this] { setCursor(Qt::PointingHandCursor); });
    connect(&child_, &TChild::pictureChanged, this, [this] {
        reducedScale_ = 0.0;  // the brush draws in place: the key alone may not change
        updateGeometry();
        update();
    });
}

QSize PictureWidget::shownSize() const
{
    const QSize picture = child_.picture().isNull() ? child_.pictureArea() : child_.picture().size();
    return zoom::shownSize(picture, scale_);
}

QSize PictureWidget::sizeHint() const { return shownSize(); }

void PictureWidget::setScale(double scale)
{
    scale = std::clamp(scale, zoom::kMinimum, zoom::kMaximum);
    if (scale == scale_)
        return;
    scale_ = scale;
    updateGeometry();
    update();
}

QPoint PictureWidget::pictureOrigin() const
{
    // The picture is shown centred in the control.
    const QSize shown = zoom::shownSize(child_.picture().size(), scale_);
    return QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2);
}

QPoint PictureWidget::pixelAt(QPoint position) const
{
    const QPoint p = position - pictureOrigin();
    return QPoint(zoom::pixelAt(p.x(), scale_), zoom::pixelAt(p.y(), scale_));
}

QPoint PictureWidget::positionOf(QPoint pixel) const
{
    // The first screen pixel whose pixelAt is `pixel`.
    const auto start = [this](int p) {
        int position = int(std::ceil(double(p) * scale_ - 1e-9));
        while (zoom::pixelAt(position, scale_) < p)
            ++position;
        return position;
    };
    return pictureOrigin() + QPoint(start(pixel.x()), start(pixel.y()));
}

const QImage& PictureWidget::reduced() const
{
    const QImage& picture = child_.picture();
    if (reducedScale_ != scale_ || reducedKey_ != picture.cacheKey()) {
        // Averaged, so fine lines and dithered areas stay visible.
        reduced_ = picture.scaled(zoom::shownSize(picture.size(), scale_), Qt::IgnoreAspectRatio,
                                  Qt::SmoothTransformation);
        reducedKey_ = picture.cacheKey();
        reducedScale_ = scale_;
    }
    return reduced_;
}

QImage PictureWidget::enlargedPart(const QRect& exposed) const
{
    // Every screen pixel takes the picture pixel the mouse would reach there,
    // so what is clicked is what is seen.
    QImage source = child_.picture();
    if (source.format() != QImage::Format_RGB32 && source.format() != QImage::Format_ARGB32)
        source = source.convertToFormat(QImage::Format_RGB32);
    QImage part(exposed.size(), QImage::Format_RGB32);
    std::vector<int> columns(std::size_t(exposed.width()));
    for (int i = 0; i < exposed.width(); ++i)
        columns[std::size_t(i)] = std::clamp(zoom::pixelAt(exposed.left() + i, scale_), 0, source.width() - 1);
    int previousRow = -1;
    for (int y = 0; y < exposed.height(); ++y) {
        const int row = std::clamp(zoom::pixelAt(exposed.top() + y, scale_), 0, source.height() - 1);
        auto* out = reinterpret_cast<QRgb*>(part.scanLine(y));
        if (row == previousRow) {
            std::memcpy(out, part.constScanLine(y - 1), std::size_t(exposed.width()) * sizeof(QRgb));
            continue;
        }
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(row));
        for (int i = 0; i < exposed.width(); ++i)
            out[i] = in[columns[std::size_t(i)]];
        previousRow = row;
    }
    return part;
}

void PictureWidget::paintEvent(QPaintEvent* event)
{
    // Only the exposed rectangle is drawn: at 32 x a frame would be far too
    // large to build whole.
    QPainter painter(this);
    const QRect exposed = event->rect();
    painter.fillRect(exposed, palette().window());
    const QImage& picture = child_.picture();
    if (picture.isNull())
        return;
    const QPoint origin = pictureOrigin();
    const QRect part = exposed & QRect(origin, zoom::shownSize(picture.size(), scale_));
    if (part.isEmpty())
        return;
    const QRect local = part.translated(-origin);
    if (scale_ == 1.0)
        painter.drawImage(part.topLeft(), picture, local);
    else if (scale_ > 1.0)
        painter.drawImage(part.topLeft(), enlargedPart(local));
    else
        painter.drawImage(part.topLeft(), reduced(), local);
}

void PictureWidget::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = pixelAt(event->position().toPoint());
    leftPressed_ = event->button() == Qt::LeftButton;
    child_.Image1MouseDown(event->button(), p.x(), p.y());
}

void PictureWidget::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = pixelAt(event->position().toPoint());
    child_.Image1MouseMove(p.x(), p.y());
}

void PictureWidget::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint p = pixelAt(event->position().toPoint());
    child_.Image1MouseUp(event->button(), p.x(), p.y());
    // A click is a press and release of the left button on the picture.
    if (event->button() == Qt::LeftButton && leftPressed_ && rect().contains(event->position().toPoint())) {
        leftPressed_ = false;
        child_.Image1Click();
    }
}

} // namespace orugif

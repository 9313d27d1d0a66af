#include "document/view/picturewidget.h"

#include "document/child.h"

#include <QMouseEvent>
#include <QPainter>

namespace orugif {

PictureWidget::PictureWidget(TChild& child, QWidget* parent) : QWidget(parent), child_(child)
{
    setObjectName(QStringLiteral("Image1"));
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    connect(&child_, &TChild::textStamped, this, [this] { setCursor(Qt::PointingHandCursor); });
    connect(&child_, &TChild::pictureChanged, this, [this] {
        updateGeometry();
        update();
    });
}

QSize PictureWidget::sizeHint() const
{
    return child_.picture().isNull() ? child_.pictureArea() : child_.picture().size();
}

QPoint PictureWidget::pictureOrigin() const
{
    // The picture is shown centred in the control.
    const QSize picture = child_.picture().size();
    return QPoint((width() - picture.width()) / 2, (height() - picture.height()) / 2);
}

void PictureWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (!child_.picture().isNull())
        painter.drawImage(pictureOrigin(), child_.picture());
}

void PictureWidget::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint() - pictureOrigin();
    leftPressed_ = event->button() == Qt::LeftButton;
    child_.Image1MouseDown(event->button(), p.x(), p.y());
}

void PictureWidget::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint() - pictureOrigin();
    child_.Image1MouseMove(p.x(), p.y());
}

void PictureWidget::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint() - pictureOrigin();
    child_.Image1MouseUp(event->button(), p.x(), p.y());
    // A click is a press and release of the left button on the picture.
    if (event->button() == Qt::LeftButton && leftPressed_ && rect().contains(event->position().toPoint())) {
        leftPressed_ = false;
        child_.Image1Click();
    }
}

} // namespace orugif

#include "app/colourswatch.h"

#include <QMouseEvent>
#include <QPainter>

namespace orugif {

ColourSwatch::ColourSwatch(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("Panel1"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setFixedSize(25, 25);
    setCursor(Qt::PointingHandCursor);
}

void ColourSwatch::setColour(Colour colour)
{
    colour_ = colour & 0x00FFFFFF;
    update();
}

void ColourSwatch::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && isEnabled())
        emit clicked();
}

void ColourSwatch::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(contentsRect(), toQColor(colour_));
    painter.end();
    QFrame::paintEvent(event);
}

} // namespace orugif

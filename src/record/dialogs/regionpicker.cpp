#include "record/dialogs/regionpicker.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace orugif::record {

namespace {

// The rectangle with corners `a` and `b`, whichever way the drag went
// (QRect::normalized() would shrink a rectangle dragged up or left).
QRect spanning(QPoint a, QPoint b)
{
    return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                 QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

} // namespace

RegionPicker::RegionPicker(const QImage& screen, std::function<std::optional<QRect>(QPoint)> windowUnder,
                           QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), screen_(screen),
      windowUnder_(std::move(windowUnder))
{
    setObjectName(QStringLiteral("RegionPicker"));
    setWindowTitle(windowUnder_ ? QStringLiteral("Cliquez sur une fenêtre") : QStringLiteral("Tracez la zone"));
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setGeometry(QRect(QPoint(0, 0), screen_.size()));
}

QPoint RegionPicker::toScreen(QPointF p) const
{
    // The picker covers the screen one to one; a smaller window is scaled.
    return QPoint(int(p.x() * screen_.width() / std::max(1, width())),
                  int(p.y() * screen_.height() / std::max(1, height())));
}

void RegionPicker::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(rect(), screen_);
    p.fillRect(rect(), QColor(0, 0, 0, 90));  // dimmed, but for the choice
    const QString help = windowUnder_ ? QStringLiteral("Cliquez sur la fenêtre à enregistrer (Échap : annuler)")
                                      : QStringLiteral("Tracez la zone à enregistrer (Échap : annuler)");
    if (!shown_.isEmpty()) {
        const double sx = double(width()) / screen_.width(), sy = double(height()) / screen_.height();
        const QRect r(int(shown_.x() * sx), int(shown_.y() * sy), int(shown_.width() * sx), int(shown_.height() * sy));
        p.drawImage(r, screen_, shown_);
        p.setPen(QPen(QColor(255, 80, 40), 2));
        p.drawRect(r.adjusted(-1, -1, 0, 0));
        p.setPen(Qt::white);
        p.drawText(r.bottomLeft() + QPoint(4, 16),
                   QStringLiteral("%1, %2 - %3 x %4").arg(shown_.x()).arg(shown_.y()).arg(shown_.width()).arg(shown_.height()));
    }
    p.setPen(Qt::white);
    p.drawText(rect().adjusted(0, 12, 0, 0), Qt::AlignHCenter | Qt::AlignTop, help);
}

void RegionPicker::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    from_ = toScreen(event->position());
    if (windowUnder_) {
        if (const std::optional<QRect> r = windowUnder_(from_); r && !r->isEmpty()) {
            picked_ = *r;
            accept();
        }
        return;
    }
    dragging_ = true;
    shown_ = QRect(from_, QSize(1, 1));
    update();
}

void RegionPicker::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = toScreen(event->position());
    if (dragging_) {
        shown_ = spanning(from_, at);
        update();
    } else if (windowUnder_) {
        shown_ = windowUnder_(at).value_or(QRect());
        update();
    }
}

void RegionPicker::mouseReleaseEvent(QMouseEvent* event)
{
    if (!dragging_ || event->button() != Qt::LeftButton)
        return;
    dragging_ = false;
    shown_ = spanning(from_, toScreen(event->position()));
    // A click without a drag picks nothing: the user tries again.
    if (shown_.width() < 8 || shown_.height() < 8) {
        shown_ = QRect();
        update();
        return;
    }
    picked_ = shown_.intersected(screen_.rect());
    accept();
}

void RegionPicker::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        picked_ = QRect();
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace orugif::record

// A still picture of the whole screen, shown over it: the user drags a
// rectangle (a region) or clicks (a window). Escape cancels.
#pragma once
#include <QDialog>
#include <QImage>
#include <QRect>
#include <functional>
#include <optional>

namespace orugif::record {

class RegionPicker : public QDialog {
    Q_OBJECT
public:
    // With `windowUnder`, a click picks the rectangle it gives for the point
    // and the window under the pointer is outlined; without, a drag picks.
    RegionPicker(const QImage& screen, std::function<std::optional<QRect>(QPoint)> windowUnder,
                 QWidget* parent = nullptr);
    // The rectangle picked, in screen pixels; empty when cancelled.
    QRect picked() const { return picked_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPoint toScreen(QPointF p) const;

    QImage screen_;
    std::function<std::optional<QRect>(QPoint)> windowUnder_;
    QPoint from_;
    bool dragging_ = false;
    QRect shown_, picked_;
};

} // namespace orugif::record

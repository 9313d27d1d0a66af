// Image1: shows the working picture unscaled and hands its mouse events to the
// document's drawing tools, in picture pixels.
#pragma once
#include <QWidget>

namespace orugif {

class TChild;

class PictureWidget : public QWidget {
    Q_OBJECT
public:
    PictureWidget(TChild& child, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPoint pictureOrigin() const;

    TChild& child_;
    bool leftPressed_ = false;
};

} // namespace orugif

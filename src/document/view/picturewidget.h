// Image1: shows the working picture at the window's zoom and hands its mouse
// events to the document's drawing tools, in picture pixels.
#pragma once
#include <QImage>
#include <QWidget>

namespace orugif {

class TChild;

class PictureWidget : public QWidget {
    Q_OBJECT
public:
    PictureWidget(TChild& child, QWidget* parent = nullptr);
    QSize sizeHint() const override;

    // Screen pixels per picture pixel, from 1/8 to 32.
    double scale() const { return scale_; }
    void setScale(double scale);
    // The size the picture (or the empty picture area) takes on screen.
    QSize shownSize() const;
    // The picture pixel under the point `position` of this widget.
    QPoint pixelAt(QPoint position) const;
    // Where the pixel (x, y) of the picture starts in this widget.
    QPoint positionOf(QPoint pixel) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPoint pictureOrigin() const;
    // The part `exposed` (widget coordinates, inside the shown picture) of
    // the picture enlarged with square pixels: only that part is built.
    QImage enlargedPart(const QRect& exposed) const;
    // The whole picture reduced smoothly; kept until the picture or the
    // scale changes.
    const QImage& reduced() const;

    TChild& child_;
    double scale_ = 1.0;
    bool leftPressed_ = false;
    mutable QImage reduced_;
    mutable qint64 reducedKey_ = 0;
    mutable double reducedScale_ = 0.0;
};

} // namespace orugif

// Panel1 of the tool bar: the drawing colour shown as a swatch; a click asks
// for another colour.
#pragma once
#include "common/colour.h"

#include <QFrame>

namespace orugif {

class ColourSwatch : public QFrame {
    Q_OBJECT
public:
    explicit ColourSwatch(QWidget* parent = nullptr);
    Colour colour() const { return colour_; }
    void setColour(Colour colour);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    Colour colour_ = clWhite;
};

} // namespace orugif

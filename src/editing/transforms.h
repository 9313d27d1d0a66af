// Geometric transforms of one picture: mirrors, quarter turns, moves and the
// plain (unfiltered) stretch used by the resize command.
#pragma once
#include <QImage>

namespace orugif::editing {

enum class Turn { Left = 1, Right = 2, Half = 3 };

// Upside down: row y receives row H - 1 - y.
QImage mirrorTopBottom(const QImage& picture);
// Left and right exchanged: column x receives column W - 1 - x.
QImage mirrorLeftRight(const QImage& picture);
// A square picture turned a quarter left (counter-clockwise), a quarter right
// or half a turn. The picture must be square.
QImage rotateSquare(const QImage& picture, Turn turn);
// The picture drawn with its top-left corner at (dx, dy) over white; parts
// outside are lost.
QImage shifted(const QImage& picture, int dx, int dy);
// The picture stretched onto `size` by plain pixel replication.
QImage stretched(const QImage& picture, QSize size);

} // namespace orugif::editing

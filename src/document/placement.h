// How a picture of another size than the frames goes onto a frame: placed
// at its own size (today's import), or fitted ("Ajuster"): scaled with the
// Mitchell filter to the largest size that fits, keeping its aspect, and
// centred on white.
#pragma once
#include <QImage>
#include <QSize>

namespace orugif {

enum class Placement { Cancel = 0, Place = 1, Fit = 2 };

// The largest size of `picture`'s aspect inside `frame` (at least 1 x 1).
QSize fittedSize(QSize picture, QSize frame);

// `picture` scaled to fittedSize, its transparent parts white.
QImage fittedPicture(const QImage& picture, QSize frame);

// `picture` fitted into a white frame of `frame` size, centred; its
// transparent parts are white.
QImage fittedOnFrame(const QImage& picture, QSize frame);

} // namespace orugif

// The zoom of the document window: the levels from 1/8 to 32 x, the steps
// between them, the fit to the window, and the one rule that maps a point of
// the shown picture to a picture pixel. Widget-free.
#pragma once
#include <QSize>
#include <QString>
#include <span>

namespace orugif::zoom {

inline constexpr double kMinimum = 0.125;
inline constexpr double kMaximum = 32.0;

// The levels Ctrl++ and Ctrl+- step through, smallest first.
std::span<const double> levels();
// The next level above (below) `scale`; `scale` itself at the end of the range.
double zoomIn(double scale);
double zoomOut(double scale);
// The largest scale at which `picture` shows whole in `room`, within the
// range (1/8 for an empty room or picture).
double fitScale(QSize picture, QSize room);
// The picture pixel under the point `position` of the shown picture
// (position 0 is the left or top edge): floor(position / scale). Negative
// positions give negative pixels.
int pixelAt(int position, double scale);
// How many screen pixels `pixels` picture pixels take at `scale` (at least
// one for a picture of at least one pixel).
int shownLength(int pixels, double scale);
QSize shownSize(QSize picture, double scale);
// "100 %", "12,5 %", "3200 %".
QString percentText(double scale);

} // namespace orugif::zoom

// Transition frames generated from one picture: slides, blinds, checkerboard,
// curtains, cross and zoom, played away from the picture ("after") or towards
// it ("before").
#pragma once
#include <QImage>
#include <QRect>
#include <QStringList>
#include <vector>

namespace orugif::editing {

// "Glissement horizontal", "Stores", "Damier", "Rideaux", "Double séparation",
// "Glissement vertical", "Zoom".
const QStringList& transitionNames();
constexpr int kTransitionCount = 7;
constexpr int kMaxTransitionFrames = 10;

// The n frames of transition `kind` from `picture`, in the order they are to
// stand in the animation: after the picture for `after`, before it otherwise.
// n = 0 or an unknown kind gives none.
std::vector<QImage> transitionFrames(const QImage& picture, int kind, int n, bool after);

// Where the transition dialogs' preview box of `box` size shows a picture of
// `size`: shrunk with its aspect ratio kept when it does not fit, centred.
QRect transitionPreviewRect(QSize size, QSize box = QSize(137, 113));

} // namespace orugif::editing

// What the accessories' windows share: guarded() runs an engine's step and
// shows a failure's French message in a box over the window, which stays
// usable; the spin arrows.
#pragma once
#include <functional>

class QWidget;

namespace orugif {

void guarded(QWidget* window, const std::function<void()>& action);

// The "SpinButton1" control: an up and a down arrow, one above the other;
// `step` hears true for up.
QWidget* spinArrows(QWidget* parent, const std::function<void(bool up)>& step);

} // namespace orugif

// The accessories' windows run their engines through guarded(): a failure
// shows its French message in a box over the window, which stays usable.
#pragma once
#include <functional>

class QWidget;

namespace orugif {

void guarded(QWidget* window, const std::function<void()>& action);

} // namespace orugif

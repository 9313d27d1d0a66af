#include "accessories/dialogs/guard.h"

#include <QMessageBox>
#include <QWidget>
#include <exception>

namespace orugif {

void guarded(QWidget* window, const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::exception& e) {
        QMessageBox::warning(window, window->windowTitle(), QString::fromUtf8(e.what()));
    }
}

} // namespace orugif

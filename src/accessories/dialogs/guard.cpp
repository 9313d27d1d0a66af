#include "accessories/dialogs/guard.h"

#include <QMessageBox>
#include <QToolButton>
#include <QVBoxLayout>
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

QWidget* spinArrows(QWidget* parent, const std::function<void(bool up)>& step)
{
    auto* spin = new QWidget(parent);
    spin->setObjectName(QStringLiteral("SpinButton1"));
    auto* layout = new QVBoxLayout(spin);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (bool up : {true, false}) {
        auto* arrow = new QToolButton(spin);
        arrow->setObjectName(up ? QStringLiteral("SpinUp") : QStringLiteral("SpinDown"));
        arrow->setArrowType(up ? Qt::UpArrow : Qt::DownArrow);
        arrow->setFixedSize(20, 13);
        QObject::connect(arrow, &QToolButton::clicked, spin, [step, up] { step(up); });
        layout->addWidget(arrow);
    }
    return spin;
}

} // namespace orugif

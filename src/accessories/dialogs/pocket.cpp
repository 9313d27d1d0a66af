#include "accessories/dialogs/pocket.h"

#include "accessories/dialogs/guard.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace orugif {

TPocket::TPocket(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Pocket"));
    setWindowTitle(QStringLiteral("Calculatrice"));

    display_ = new QLabel(this);
    display_->setObjectName(QStringLiteral("Label1"));
    display_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    display_->setMinimumHeight(32);
    display_->setStyleSheet(QStringLiteral("background-color: red; color: white; font-size: 14pt; padding: 2px 6px;"));

    const auto run = [this](const std::function<void()>& action) {
        return [this, action] {
            guarded(this, action);
            display_->setText(engine_.display());
        };
    };
    for (int d = 0; d <= 9; ++d)
        addButton(d, QString::number(d), run([this, d] { engine_.digit(d); }));
    addButton(10, QStringLiteral(","), run([this] { engine_.comma(); }));
    addButton(11, QStringLiteral("="), run([this] { engine_.equals(); }));
    const char* signs = "+-*/";
    for (int i = 0; i < 4; ++i)
        addButton(12 + i, QString(QLatin1Char(signs[i])),
                  run([this, sign = QLatin1Char(signs[i])] { engine_.operation(sign); }));
    addButton(16, QStringLiteral("1/x"), run([this] { engine_.reciprocal(); }));
    addButton(17, QStringLiteral("sqr"), run([this] { engine_.squareRoot(); }));
    addButton(18, QStringLiteral("C"), run([this] { engine_.clear(); }));
    addButton(19, QStringLiteral("Fermer"), [this] { reject(); });
    buttons_[11]->setDefault(true);

    // Keypad order: 7 8 9 /, 4 5 6 *, 1 2 3 -, 0 , = +, then the rest.
    const int grid[5][4] = {{7, 8, 9, 15}, {4, 5, 6, 14}, {1, 2, 3, 13}, {0, 10, 11, 12}, {16, 17, 18, 19}};
    auto* keys = new QGridLayout;
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 4; ++c)
            keys->addWidget(buttons_[grid[r][c]], r, c);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(display_);
    layout->addLayout(keys);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    installEventFilter(this);
    for (QPushButton* b : buttons_)
        b->installEventFilter(this);
}

QPushButton* TPocket::addButton(int number, const QString& caption, const std::function<void()>& action)
{
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QStringLiteral("Button%1").arg(number));
    button->setAutoDefault(false);
    button->setMinimumSize(44, 30);
    connect(button, &QPushButton::clicked, this, action);
    buttons_[number] = button;
    return button;
}

QPushButton* TPocket::buttonFor(QChar typed) const
{
    using Key = accessories::PocketCalculator::Key;
    switch (accessories::PocketCalculator::keyFor(typed)) {
    case Key::Digit:
        return buttons_[typed.digitValue()];
    case Key::Comma:
        return buttons_[10];
    case Key::Equals:
        return buttons_[11];
    case Key::Operator:
        return buttons_[12 + QStringLiteral("+-*/").indexOf(typed)];
    case Key::Reciprocal:
        return buttons_[16];
    case Key::SquareRoot:
        return buttons_[17];
    case Key::Clear:
        return buttons_[18];
    case Key::None:
        break;
    }
    return nullptr;
}

bool TPocket::eventFilter(QObject* watched, QEvent* event)
{
    // The window and every button share one key handler; a typed key
    // presses its button exactly as a click would.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            reject();
            return true;
        }
        if (QPushButton* button = key->text().size() == 1 ? buttonFor(key->text().at(0)) : nullptr) {
            button->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TPocket::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    engine_.clear();
    display_->clear();
    buttons_[11]->setFocus();
}

} // namespace orugif

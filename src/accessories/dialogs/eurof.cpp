#include "accessories/dialogs/eurof.h"

#include "accessories/dialogs/guard.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace orugif {

TEurof::TEurof(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Eurof"));
    setWindowTitle(QStringLiteral("Euro convertisseur"));
    setStyleSheet(QStringLiteral("QDialog#Eurof { background-color: navy; }"));

    amount_ = new QLabel(this);
    amount_->setObjectName(QStringLiteral("Label1"));
    result_ = new QLabel(this);
    result_->setObjectName(QStringLiteral("Label2"));
    for (QLabel* l : {amount_, result_}) {
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->setMinimumSize(180, 28);
        l->setStyleSheet(QStringLiteral("background-color: teal; color: white; font-size: 13pt; padding: 2px 6px;"));
    }
    toEuro_ = new QRadioButton(QStringLiteral("Fr>Euro"), this);
    toEuro_->setObjectName(QStringLiteral("RadioButton1"));
    toEuro_->setChecked(true);
    auto* toFranc = new QRadioButton(QStringLiteral("Euro>Fr"), this);
    toFranc->setObjectName(QStringLiteral("RadioButton2"));
    connect(toEuro_, &QRadioButton::toggled, this, [this](bool on) { engine_.setToEuro(on); });
    // White captions on the navy window; the indicators keep their own colours.
    for (QRadioButton* radio : {toEuro_, toFranc}) {
        QPalette palette = radio->palette();
        palette.setColor(QPalette::WindowText, Qt::white);
        radio->setPalette(palette);
    }

    rate_ = new QLineEdit(engine_.rateText(), this);
    rate_->setObjectName(QStringLiteral("Edit3"));
    rate_->setReadOnly(true);
    rate_->setFixedWidth(90);
    QWidget* spin = spinArrows(this, [this](bool up) {
        engine_.spinRate(up);
        rate_->setText(engine_.rateText());
    });

    auto* keys = new QGridLayout;
    const auto key = [this, keys](const QString& name, const QString& caption, int row, int column) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(name);
        button->setAutoDefault(false);
        button->setMinimumSize(40, 28);
        keys->addWidget(button, row, column);
        return button;
    };
    for (int d = 0; d <= 9; ++d) {
        QPushButton* b = key(QStringLiteral("Button%1").arg(d), QString::number(d), d == 0 ? 3 : 2 - (d - 1) / 3,
                             d == 0 ? 0 : (d - 1) % 3);
        connect(b, &QPushButton::clicked, this, [this, d] { type(QChar(u'0' + d)); });
    }
    QPushButton* comma = key(QStringLiteral("Button12"), QStringLiteral(","), 3, 1);
    connect(comma, &QPushButton::clicked, this, [this] { type(QLatin1Char(',')); });
    equals_ = key(QStringLiteral("Button11"), QStringLiteral("="), 3, 2);
    connect(equals_, &QPushButton::clicked, this, &TEurof::convert);
    QPushButton* close = key(QStringLiteral("Button10"), QStringLiteral("Fermer"), 4, 0);
    keys->addWidget(close, 4, 0, 1, 3);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* rateRow = new QHBoxLayout;
    rateRow->addWidget(toEuro_);
    rateRow->addWidget(toFranc);
    rateRow->addStretch();
    rateRow->addWidget(rate_);
    rateRow->addWidget(spin);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(amount_);
    layout->addWidget(result_);
    layout->addLayout(rateRow);
    layout->addLayout(keys);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
}

void TEurof::showAmounts()
{
    amount_->setText(engine_.amount());
    result_->setText(engine_.result());
}

void TEurof::type(QChar typed)
{
    engine_.type(typed);
    showAmounts();
}

void TEurof::convert()
{
    guarded(this, [this] { engine_.convert(); });
    showAmounts();
}

bool TEurof::eventFilter(QObject* watched, QEvent* event)
{
    // One key handler for the window and its controls: Enter converts,
    // Escape closes, other characters go to the amount.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            reject();
        } else if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            convert();
        } else if (key->text().size() == 1 && key->text().at(0).isPrint()) {
            type(key->text().at(0));
        } else {
            return QDialog::eventFilter(watched, event);
        }
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TEurof::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    engine_.activate();
    rate_->setText(engine_.rateText());
    equals_->setFocus();
}

} // namespace orugif

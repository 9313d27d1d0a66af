#include "accessories/dialogs/horloge.h"

#include "accessories/dialogs/guard.h"

#include <QButtonGroup>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace orugif {

using accessories::ClockFields;

THorloge::THorloge(accessories::ClockSetter setter, std::function<QDateTime()> now, QWidget* parent)
    : QDialog(parent), setter_(std::move(setter)), now_(std::move(now))
{
    setObjectName(QStringLiteral("Horloge"));
    setWindowTitle(QStringLiteral("Horloge"));
    if (!now_)
        now_ = [] { return QDateTime::currentDateTime(); };

    // The black face: "ORU", the time, a dashed rule and the date.
    auto* face = new QFrame(this);
    face->setObjectName(QStringLiteral("Panel1"));
    face->setStyleSheet(QStringLiteral("QFrame#Panel1 { background-color: black; } QLabel { color: white; }"));
    auto* oru = new QLabel(QStringLiteral("ORU"), face);
    oru->setStyleSheet(QStringLiteral("font-weight: bold; font-style: italic;"));
    time_ = new QLabel(face);
    time_->setObjectName(QStringLiteral("Label1"));
    time_->setStyleSheet(QStringLiteral("font-size: 20pt;"));
    auto* dashes = new QLabel(QStringLiteral("---------"), face);
    date_ = new QLabel(face);
    date_->setObjectName(QStringLiteral("Label2"));
    auto* faceLayout = new QVBoxLayout(face);
    for (QLabel* l : {oru, time_, dashes, date_}) {
        l->setAlignment(Qt::AlignCenter);
        faceLayout->addWidget(l);
    }

    auto* group = new QGroupBox(this);
    group->setObjectName(QStringLiteral("RadioGroup1"));
    choice_ = new QButtonGroup(this);
    auto* groupLayout = new QHBoxLayout(group);
    const char* names[] = {"Hr", "Mn", "Jo", "Mo", "An"};
    for (int i = 0; i < 5; ++i) {
        auto* radio = new QRadioButton(QString::fromLatin1(names[i]), group);
        radio->setObjectName(QStringLiteral("RadioButton%1").arg(i + 1));
        choice_->addButton(radio, i);
        groupLayout->addWidget(radio);
    }
    choice_->button(0)->setChecked(true);

    QWidget* spinBox = spinArrows(this, [this](bool up) { spin(up); });

    auto* set = new QPushButton(QStringLiteral("Set"), this);
    set->setObjectName(QStringLiteral("Button2"));
    auto* close = new QPushButton(QStringLiteral("Fermer"), this);
    close->setObjectName(QStringLiteral("Button1"));
    connect(set, &QPushButton::clicked, this, &THorloge::Button2Click);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* controls = new QHBoxLayout;
    controls->addWidget(group);
    controls->addWidget(spinBox);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(set);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(face);
    layout->addLayout(controls);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(1000);
    connect(timer_, &QTimer::timeout, this, &THorloge::tick);
    tick();
}

void THorloge::tick()
{
    fields_.tick(now_());
    showFields();
}

void THorloge::showFields()
{
    time_->setText(fields_.time());
    date_->setText(fields_.date());
}

void THorloge::spin(bool up)
{
    guarded(this, [&] { fields_.spin(ClockFields::Field(choice_->checkedId()), up); });
    showFields();
}

void THorloge::Button2Click()
{
    guarded(this, [&] { fields_.toggleSetting(setter_); });
    // The labels follow the clock only outside the setting mode.
    if (fields_.setting()) {
        timer_->stop();
    } else {
        tick();
        timer_->start();
    }
}

void THorloge::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    tick();
    if (!fields_.setting())
        timer_->start();
}

// A closed clock leaves no timer running.
void THorloge::hideEvent(QHideEvent* event)
{
    timer_->stop();
    QDialog::hideEvent(event);
}

} // namespace orugif

#include "accessories/dialogs/calendrier.h"

#include "accessories/calendar.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace orugif {

TCalendrier::TCalendrier(QDate today, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Calendrier"));
    setWindowTitle(QStringLiteral("Calendrier"));

    caption_ = new QLabel(this);
    caption_->setObjectName(QStringLiteral("Label1"));
    caption_->setAlignment(Qt::AlignCenter);
    caption_->setFixedWidth(372);
    caption_->setAutoFillBackground(true);
    caption_->setStyleSheet(QStringLiteral("background-color: teal; color: white; font-weight: bold; padding: 4px;"));

    calendar_ = new QCalendarWidget(this);
    calendar_->setObjectName(QStringLiteral("Calendar1"));
    calendar_->setLocale(QLocale(QLocale::French));
    calendar_->setFirstDayOfWeek(Qt::Sunday);
    calendar_->setNavigationBarVisible(false);
    calendar_->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    calendar_->setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);
    calendar_->setGridVisible(true);
    calendar_->setStyleSheet(QStringLiteral("QCalendarWidget QAbstractItemView { background-color: lime; "
                                            "selection-background-color: navy; selection-color: white; }"));
    calendar_->setSelectedDate(today);
    calendar_->setFixedWidth(372);

    auto* previous = new QPushButton(style()->standardIcon(QStyle::SP_ArrowLeft), QStringLiteral("Mois"), this);
    previous->setObjectName(QStringLiteral("BitBtn1"));
    auto* next = new QPushButton(style()->standardIcon(QStyle::SP_ArrowRight), QStringLiteral("Mois"), this);
    next->setObjectName(QStringLiteral("BitBtn2"));
    next->setLayoutDirection(Qt::RightToLeft);  // the glyph on the right
    auto* close = new QPushButton(QStringLiteral("Fermer"), this);
    close->setObjectName(QStringLiteral("Button1"));
    connect(previous, &QPushButton::clicked, this, [this] { moveMonths(-1); });
    connect(next, &QPushButton::clicked, this, [this] { moveMonths(1); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(calendar_, &QCalendarWidget::selectionChanged, this, &TCalendrier::showCaption);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(previous);
    buttons->addWidget(next);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption_);
    layout->addWidget(calendar_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Page Up and Page Down move by a month wherever the focus is.
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
    showCaption();
}

QDate TCalendrier::date() const { return calendar_->selectedDate(); }

void TCalendrier::moveMonths(int months)
{
    calendar_->setSelectedDate(accessories::moveMonths(calendar_->selectedDate(), months));
    showCaption();
}

void TCalendrier::showCaption() { caption_->setText(accessories::monthCaption(calendar_->selectedDate())); }

bool TCalendrier::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_PageDown || key == Qt::Key_PageUp) {
            moveMonths(key == Qt::Key_PageDown ? 1 : -1);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace orugif

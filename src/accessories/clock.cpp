#include "accessories/clock.h"

#include "accessories/numbertext.h"
#include "common/error.h"

#include <algorithm>

namespace orugif::accessories {

namespace {

// Where a field stands in its label and the values it may take.
struct Place {
    int start;
    int length;
    int low;
    int high;
};

Place placeOf(ClockFields::Field field)
{
    switch (field) {
    case ClockFields::Field::Hour:
        return {0, 2, 0, 23};
    case ClockFields::Field::Minute:
        return {3, 2, 0, 59};
    case ClockFields::Field::Day:
        return {0, 2, 1, 31};
    case ClockFields::Field::Month:
        return {3, 2, 1, 12};
    case ClockFields::Field::Year:
        return {6, 4, 1900, 2099};
    }
    return {};
}

bool inTime(ClockFields::Field field)
{
    return field == ClockFields::Field::Hour || field == ClockFields::Field::Minute;
}

QString notChanged(const QString& why) { return QStringLiteral("L'horloge n'a pas été modifiée : %1.").arg(why); }

} // namespace

QString ClockFields::timeText(const QDateTime& when) { return when.toString(QStringLiteral("HH:mm:ss")); }
QString ClockFields::dateText(const QDateTime& when) { return when.toString(QStringLiteral("dd/MM/yyyy")); }

void ClockFields::tick(const QDateTime& now)
{
    if (setting_)
        return;
    time_ = timeText(now);
    date_ = dateText(now);
}

void ClockFields::spin(Field field, bool up)
{
    const Place place = placeOf(field);
    QString& text = inTime(field) ? time_ : date_;
    int value = parseInteger(text.mid(place.start, place.length));
    if (field == Field::Year && value < 100)
        value += 1900;
    value = std::clamp(value + (up ? 1 : -1), place.low, place.high);
    text.replace(place.start, place.length, QStringLiteral("%1").arg(value, place.length, 10, QLatin1Char('0')));
}

void ClockFields::toggleSetting(const ClockSetter& setter)
{
    if (!setting_) {
        setting_ = true;
        return;
    }
    apply(setter);  // raises on a refusal: the labels stay as typed
    setting_ = false;
}

void ClockFields::apply(const ClockSetter& setter) const
{
    const QDate day(parseInteger(date_.mid(6, 4)), parseInteger(date_.mid(3, 2)), parseInteger(date_.mid(0, 2)));
    if (!day.isValid())
        throw Error(notChanged(QStringLiteral("la date %1 n'existe pas").arg(date_)));
    const QTime time(parseInteger(time_.mid(0, 2)), parseInteger(time_.mid(3, 2)), parseInteger(time_.mid(6, 2)));
    if (!time.isValid())
        throw Error(notChanged(QStringLiteral("l'heure %1 n'existe pas").arg(time_)));
    const QDateTime when(day, time, Qt::LocalTime);
    if (!when.isValid())
        throw Error(notChanged(QStringLiteral("l'heure %1 n'existe pas ce jour-là").arg(time_)));
    if (const QString refusal = setter(when); !refusal.isEmpty())
        throw Error(notChanged(refusal));
}

} // namespace orugif::accessories

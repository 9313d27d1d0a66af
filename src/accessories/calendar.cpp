#include "accessories/calendar.h"

#include <QLocale>

namespace orugif::accessories {

QDate moveMonths(QDate date, int months) { return date.addMonths(months); }

QString monthCaption(QDate date)
{
    return QStringLiteral("%1  %2").arg(QLocale(QLocale::French).monthName(date.month(), QLocale::LongFormat))
        .arg(date.year(), 4, 10, QLatin1Char('0'));
}

} // namespace orugif::accessories

// The calendar's rules: moving by months and the caption over the grid, in
// French whatever the machine's language.
#pragma once
#include <QDate>
#include <QString>

namespace orugif::accessories {

// `date` moved by `months`, keeping the day or taking the target month's
// last day (31 March - 1 month = 28 or 29 February).
QDate moveMonths(QDate date, int months);
// "décembre  2026": the long month name, two spaces, the year.
QString monthCaption(QDate date);

} // namespace orugif::accessories

// Numbers as the accessories read and show them: the French decimal comma,
// the general format of up to 15 significant digits.
#pragma once
#include <QString>

namespace orugif::accessories {

// `text` as a real number; raises "'TEXT' n'est pas une valeur flottante
// correcte" when it is none (a point is no decimal separator here).
double parseReal(const QString& text);
// `text` as an integer; raises "'TEXT' n'est pas une valeur entière correcte".
int parseInteger(const QString& text);
// The general format: up to 15 significant digits, trailing zeros dropped,
// decimal comma ("10,05", "0,333333333333333", "1E20").
QString generalText(double value);
// A 6-byte real in the general format, with the fewest of up to 15
// significant digits that read back as the same 6-byte real: "10,05" and
// "0,3" rather than the format's rounding noise ("10,0500000000029").
QString real48Text(double stored);

} // namespace orugif::accessories

#include "accessories/numbertext.h"

#include "accessories/real48.h"
#include "common/error.h"

#include <QRegularExpression>

namespace orugif::accessories {

double parseReal(const QString& text)
{
    // Optional sign, digits with one decimal comma, optional exponent;
    // spaces around it are allowed.
    static const QRegularExpression real(QStringLiteral("^\\s*[+-]?(\\d+,?\\d*|,\\d+)([eE][+-]?\\d+)?\\s*$"));
    bool ok = real.match(text).hasMatch();
    double value = 0;
    if (ok)
        value = QString(text).replace(QLatin1Char(','), QLatin1Char('.')).trimmed().toDouble(&ok);
    if (!ok)
        throw Error(QStringLiteral("'%1' n'est pas une valeur flottante correcte").arg(text));
    return value;
}

int parseInteger(const QString& text)
{
    static const QRegularExpression integer(QStringLiteral("^\\s*[+-]?\\d+\\s*$"));
    bool ok = integer.match(text).hasMatch();
    int value = 0;
    if (ok)
        value = text.trimmed().toInt(&ok);
    if (!ok)
        throw Error(QStringLiteral("'%1' n'est pas une valeur entière correcte").arg(text));
    return value;
}

namespace {

QString withComma(QString text)
{
    text.replace(QLatin1Char('.'), QLatin1Char(','));
    // "1E20" and "1E-5", as the general format writes exponents.
    static const QRegularExpression exponent(QStringLiteral("e\\+?(-?)0*(\\d)"));
    text.replace(exponent, QStringLiteral("E\\1\\2"));
    return text;
}

} // namespace

QString generalText(double value) { return withComma(QString::number(value, 'g', 15)); }

QString real48Text(double stored)
{
    for (int digits = 1; digits < 15; ++digits) {
        const QString text = QString::number(stored, 'g', digits);
        if (toReal48(text.toDouble()) == stored)
            return withComma(text);
    }
    return generalText(stored);
}

} // namespace orugif::accessories

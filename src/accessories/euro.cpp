#include "accessories/euro.h"

#include "accessories/numbertext.h"
#include "accessories/real48.h"
#include "common/error.h"

#include <cmath>

namespace orugif::accessories {

QString EuroConverter::rateText() const { return generalText(rate_ * 0.00001); }

void EuroConverter::spinRate(bool up) { rate_ = up ? toReal48(rate_ + 1) : std::max(rate_ - 1, 1.0); }

void EuroConverter::type(QChar typed)
{
    if (resultShown_) {
        amount_.clear();
        result_.clear();
    }
    resultShown_ = false;
    if (typed == QLatin1Char('.'))
        typed = QLatin1Char(',');
    if ((typed.isDigit() && typed.unicode() < 128) || typed == QLatin1Char(','))
        amount_ += typed;
}

void EuroConverter::convert()
{
    resultShown_ = true;
    double value = 0;
    try {
        value = toReal48(parseReal(amount_));
    } catch (const Error&) {
        amount_.clear();
        result_.clear();
        resultShown_ = false;
        return;
    }
    // Both ways end to the hundredth: euros to the cent, francs to the centime.
    const double converted = toReal48(toEuro_ ? value * 100000 / rate_ : value * rate_ * 0.00001);
    lastHundredths_ = std::nearbyint(converted * 100);  // halves to even
    result_ = generalText(lastHundredths_ * 0.01);
}

} // namespace orugif::accessories

#include "accessories/real48.h"

#include "common/error.h"

#include <cmath>

namespace orugif::accessories {

namespace {
// Exponent byte 1..255 with bias 129: magnitudes from 2^-129 up to just below 2^127.
constexpr int kMinExponent = -128;  // frexp's exponent of the smallest normal value
constexpr int kMaxExponent = 127;
constexpr int kSignificandBits = 40;
} // namespace

double toReal48(double value)
{
    if (value == 0.0 || std::isnan(value))
        return std::isnan(value) ? value : 0.0;
    int exponent = 0;
    const double fraction = std::frexp(value, &exponent);  // 0.5 <= |fraction| < 1
    // nearbyint rounds halves to even in the default rounding mode.
    double rounded = std::ldexp(std::nearbyint(std::ldexp(fraction, kSignificandBits)), exponent - kSignificandBits);
    std::frexp(rounded, &exponent);
    if (exponent < kMinExponent)
        return 0.0;
    if (exponent > kMaxExponent || std::isinf(rounded))
        throw Error(QStringLiteral("Débordement de capacité flottante"));
    return rounded;
}

} // namespace orugif::accessories

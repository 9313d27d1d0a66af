#include "accessories/calculator.h"

#include "accessories/numbertext.h"
#include "accessories/real48.h"
#include "common/error.h"

#include <cmath>

namespace orugif::accessories {

PocketCalculator::Key PocketCalculator::keyFor(QChar typed)
{
    if (typed.isDigit() && typed.unicode() < 128)
        return Key::Digit;
    switch (typed.toLatin1()) {
    case ',':
    case '.':
        return Key::Comma;
    case '=':
        return Key::Equals;
    case '+':
    case '-':
    case '*':
    case '/':
        return Key::Operator;
    case 'x':
    case 'X':
        return Key::Reciprocal;
    case 's':
    case 'S':
        return Key::SquareRoot;
    case 'c':
    case 'C':
        return Key::Clear;
    default:
        return Key::None;
    }
}

void PocketCalculator::clear()
{
    display_.clear();
    accumulator_ = operand_ = 0;
    pending_ = QChar();
    accumulatorSet_ = false;
    repeat_ = false;
}

void PocketCalculator::digit(int d)
{
    if (newEntry_)
        display_.clear();
    display_ += QChar(u'0' + d);
    newEntry_ = false;
    repeat_ = false;
}

void PocketCalculator::comma()
{
    display_ += QLatin1Char(',');
    repeat_ = false;
}

double PocketCalculator::displayed() const { return toReal48(parseReal(display_)); }

void PocketCalculator::showResult(double stored)
{
    display_ = real48Text(stored);
    newEntry_ = true;
}

void PocketCalculator::equals()
{
    if (!accumulatorSet_) {
        try {
            accumulator_ = displayed();
        } catch (const Error&) {
            display_.clear();  // nothing to take: the display starts again
            return;
        }
        accumulatorSet_ = newEntry_ = true;
        return;
    }
    // A repeated "=" keeps the operand; otherwise the display is the operand.
    const double operand = repeat_ && newEntry_ ? operand_ : displayed();
    double result = accumulator_;
    switch (pending_.toLatin1()) {
    case '*':
        result = accumulator_ * operand;
        break;
    case '+':
        result = accumulator_ + operand;
        break;
    case '-':
        result = accumulator_ - operand;
        break;
    case '/':
        if (operand == 0)
            throw Error(QStringLiteral("Division flottante par zéro"));
        result = accumulator_ / operand;
        break;
    default:
        break;
    }
    result = toReal48(result);
    operand_ = operand;
    accumulator_ = result;
    showResult(accumulator_);
    repeat_ = true;
}

void PocketCalculator::operation(QChar sign)
{
    // After "=" the result is already in the accumulator: the sign only
    // chooses the next operation.
    if (!(repeat_ && newEntry_))
        equals();
    pending_ = sign;
    repeat_ = false;
}

void PocketCalculator::reciprocal()
{
    showUnary([](double x) {
        if (x == 0)
            throw Error(QStringLiteral("Division flottante par zéro"));
        return 1 / x;
    });
}

void PocketCalculator::squareRoot()
{
    showUnary([](double x) {
        if (x < 0)
            throw Error(QStringLiteral("Opération flottante incorrecte"));
        return std::sqrt(x);
    });
}

void PocketCalculator::showUnary(const std::function<double(double)>& f)
{
    const double operand = displayed();
    const double stored = toReal48(f(operand));
    operand_ = operand;
    accumulator_ = stored;
    accumulatorSet_ = true;
    showResult(stored);
    repeat_ = false;
}

} // namespace orugif::accessories

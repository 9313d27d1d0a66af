// The pocket calculator's engine (window "Calculatrice"): the display text,
// the accumulator and operand kept as 6-byte reals, the pending operator and
// the flags that decide when a digit starts a new number.
#pragma once
#include <QChar>
#include <QString>
#include <functional>

namespace orugif::accessories {

class PocketCalculator {
public:
    // What a typed character presses; None for keys the calculator ignores.
    enum class Key { None, Digit, Comma, Equals, Operator, Reciprocal, SquareRoot, Clear };
    static Key keyFor(QChar typed);

    // Activation and "C": everything but the new-entry flag starts again.
    void clear();
    void digit(int d);
    void comma();
    // "=": takes the first number, or applies the pending operator. A second
    // "=" repeats the last operation with the same operand (12 + 3 = 15,
    // = again 18). Failures raise their French message and change nothing.
    void equals();
    // "+", "-", "*", "/": completes what is pending, then waits for the next number.
    void operation(QChar sign);
    void reciprocal();  // "1/x"
    void squareRoot();  // "sqr"

    const QString& display() const { return display_; }
    double accumulator() const { return accumulator_; }
    bool newEntry() const { return newEntry_; }

private:
    void showResult(double stored);
    // "1/x" and "sqr": `f` of the display, shown and taken as the accumulator.
    void showUnary(const std::function<double(double)>& f);
    double displayed() const;  // the display read as a 6-byte real

    QString display_;
    double accumulator_ = 0;
    double operand_ = 0;
    QChar pending_;
    bool accumulatorSet_ = false;
    bool newEntry_ = false;
    bool repeat_ = false;  // the display shows the result of "="
};

} // namespace orugif::accessories

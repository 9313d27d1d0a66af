// The euro converter's engine (window "Euro convertisseur"): the amount
// typed, the converted amount, the direction and the rate in units of
// 0,00001 franc per euro, kept as a 6-byte real.
#pragma once
#include <QChar>
#include <QString>

namespace orugif::accessories {

class EuroConverter {
public:
    static constexpr double kDefaultRate = 655957;  // 6,55957 F for 1 euro

    // Activation: a new amount starts with the next key.
    void activate() { resultShown_ = false; }
    QString rateText() const;  // "6,55957"
    void spinRate(bool up);    // by 0,00001, never below 0,00001
    // A digit, "," or "." (taken as ","); after a result, both amounts are
    // emptied first. Other characters are ignored.
    void type(QChar typed);
    // Converts the amount: euros to the cent, francs to the centime. An
    // amount that is no number empties both without a word.
    void convert();

    void setToEuro(bool toEuro) { toEuro_ = toEuro; }
    bool toEuro() const { return toEuro_; }
    const QString& amount() const { return amount_; }
    const QString& result() const { return result_; }
    double rate() const { return rate_; }
    double lastHundredths() const { return lastHundredths_; }

private:
    double rate_ = kDefaultRate;
    bool toEuro_ = true;
    bool resultShown_ = false;
    double lastHundredths_ = 0;
    QString amount_;
    QString result_;
};

} // namespace orugif::accessories

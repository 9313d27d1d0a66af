// The clock's rules (window "Horloge"): the time and date texts, the spin
// arrows that change one field inside them, and applying them to the system
// clock through an injected setter.
#pragma once
#include <QDateTime>
#include <QString>
#include <functional>

namespace orugif::accessories {

// Sets the system clock to a local date and time; returns why it refused,
// or an empty text when the clock was set.
using ClockSetter = std::function<QString(const QDateTime&)>;

class ClockFields {
public:
    enum class Field { Hour, Minute, Day, Month, Year };  // "Hr", "Mn", "Jo", "Mo", "An"

    // "18:23:00" and "20/10/1998", as the labels show them.
    static QString timeText(const QDateTime& when);
    static QString dateText(const QDateTime& when);

    // The labels follow the clock unless the user is setting them.
    void tick(const QDateTime& now);
    // One step up or down in `field`, kept within its limits (hour 0-23,
    // minute 0-59, day 1-31, month 1-12, year 1900-2099; a year below 100
    // has 1900 added). A field that is no number raises the French
    // conversion message and changes nothing.
    void spin(Field field, bool up);
    // "Set": the first press freezes the labels for editing; the second
    // applies them as local time and lets them follow the clock again. A
    // refusal raises a French message saying the clock was not changed, and
    // the labels stay frozen for another try.
    void toggleSetting(const ClockSetter& setter);

    bool setting() const { return setting_; }
    const QString& time() const { return time_; }
    const QString& date() const { return date_; }
    void setTime(const QString& text) { time_ = text; }
    void setDate(const QString& text) { date_ = text; }

private:
    void apply(const ClockSetter& setter) const;

    QString time_;
    QString date_;
    bool setting_ = false;
};

// The system's own setter: clock_settime(CLOCK_REALTIME); it refuses without
// the privilege to change the time.
QString setSystemClock(const QDateTime& when);

} // namespace orugif::accessories

// The clock and the calendar: field limits, the setting mode, what is handed
// to the clock setter, refusals; month moves and the caption.
#include "accessories/calendar.h"
#include "accessories/clock.h"
#include "accessories/dialogs/calendrier.h"
#include "accessories/dialogs/horloge.h"
#include "common/error.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace orugif;
using accessories::ClockFields;
using Field = ClockFields::Field;

namespace {

ClockFields fieldsAt(const QString& time, const QString& date)
{
    ClockFields f;
    f.setTime(time);
    f.setDate(date);
    return f;
}

QString spun(const QString& time, const QString& date, Field field, bool up)
{
    ClockFields f = fieldsAt(time, date);
    f.spin(field, up);
    return f.time() + " " + f.date();
}

} // namespace

TEST(Clock, everyFieldSpinsWithinItsLimits)
{
    EXPECT_EQ(spun("23:59:00", "31/12/2099", Field::Hour, true), "23:59:00 31/12/2099");
    EXPECT_EQ(spun("00:00:00", "01/01/1900", Field::Hour, false), "00:00:00 01/01/1900");
    EXPECT_EQ(spun("23:59:00", "31/12/2099", Field::Minute, true), "23:59:00 31/12/2099");
    EXPECT_EQ(spun("09:08:00", "31/12/2099", Field::Day, true), "09:08:00 31/12/2099");
    EXPECT_EQ(spun("09:08:00", "01/01/2099", Field::Day, false), "09:08:00 01/01/2099");
    EXPECT_EQ(spun("09:08:00", "31/12/2099", Field::Month, true), "09:08:00 31/12/2099");
    EXPECT_EQ(spun("09:08:00", "01/01/2099", Field::Year, true), "09:08:00 01/01/2099");
    EXPECT_EQ(spun("09:08:00", "01/01/1900", Field::Year, false), "09:08:00 01/01/1900");
    EXPECT_EQ(spun("09:08:00", "01/01/0098", Field::Year, true), "09:08:00 01/01/1999");  // + 1900 first
    EXPECT_EQ(spun("09:08:00", "05/06/2026", Field::Minute, false), "09:07:00 05/06/2026");

    ClockFields f = fieldsAt("a9:08:00", "05/06/2026");
    try {
        f.spin(Field::Hour, true);
        ADD_FAILURE() << "no conversion message";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QString::fromUtf8("'a9' n'est pas une valeur entière correcte"));
    }
    EXPECT_EQ(f.time(), "a9:08:00");
}

TEST(Clock, setFreezesTheLabelsThenHandsTheShownLocalTimeToTheSetter)
{
    ClockFields f;
    f.tick(QDateTime(QDate(2026, 12, 8), QTime(18, 23, 0)));
    EXPECT_EQ(f.time(), "18:23:00");
    EXPECT_EQ(f.date(), "08/12/2026");
    QList<QDateTime> handed;
    const accessories::ClockSetter accept = [&](const QDateTime& when) {
        handed << when;
        return QString();
    };
    f.toggleSetting(accept);
    f.tick(QDateTime(QDate(2026, 12, 8), QTime(18, 23, 1)));
    EXPECT_EQ(f.time(), "18:23:00");  // frozen for editing
    f.spin(Field::Hour, false);
    f.toggleSetting(accept);
    ASSERT_EQ(handed.size(), 1);
    EXPECT_EQ(handed[0], QDateTime(QDate(2026, 12, 8), QTime(17, 23, 0), Qt::LocalTime));
    EXPECT_FALSE(f.setting());

    // A refusal says the clock was not changed and keeps the labels for another try.
    for (const auto& [date, setter] :
         {std::pair<QString, accessories::ClockSetter>{"31/02/2026", accept},
          {"08/12/2026", [](const QDateTime&) { return QStringLiteral("droits insuffisants"); }}}) {
        ClockFields g = fieldsAt("10:00:00", date);
        g.toggleSetting(accept);
        try {
            g.toggleSetting(setter);
            ADD_FAILURE() << date.toStdString();
        } catch (const Error& e) {
            EXPECT_TRUE(e.message().startsWith(QString::fromUtf8("L'horloge n'a pas été modifiée"))) << date.toStdString();
        }
        EXPECT_TRUE(g.setting());
    }
    EXPECT_EQ(handed.size(), 1);
}

TEST(Clock, theWindowTicksOnlyWhileShown)
{
    QDateTime now(QDate(2026, 12, 8), QTime(9, 0, 0));
    THorloge window([](const QDateTime&) { return QString(); }, [&] { return now; });
    EXPECT_FALSE(window.timer()->isActive());
    window.show();
    EXPECT_TRUE(window.timer()->isActive());
    EXPECT_EQ(window.findChild<QLabel*>("Label1")->text(), "09:00:00");
    window.Button2Click();  // setting: the tick stops
    EXPECT_FALSE(window.timer()->isActive());
    window.hide();
    EXPECT_FALSE(window.timer()->isActive());
}

TEST(Calendar, monthsKeepTheDayOrTakeTheLastOne)
{
    EXPECT_EQ(accessories::moveMonths(QDate(2027, 1, 31), 1), QDate(2027, 2, 28));
    EXPECT_EQ(accessories::moveMonths(QDate(2028, 1, 31), 1), QDate(2028, 2, 29));
    EXPECT_EQ(accessories::moveMonths(QDate(2026, 3, 31), -1), QDate(2026, 2, 28));
    EXPECT_EQ(accessories::moveMonths(QDate(2026, 12, 8), 1), QDate(2027, 1, 8));
    EXPECT_EQ(accessories::monthCaption(QDate(2026, 12, 8)), QString::fromUtf8("décembre  2026"));

    TCalendrier window(QDate(2026, 12, 31));
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::mouseClick(window.findChild<QWidget*>("BitBtn2"), Qt::LeftButton);
    EXPECT_EQ(window.date(), QDate(2027, 1, 31));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
    EXPECT_EQ(window.date(), QDate(2027, 2, 28));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp);
    EXPECT_EQ(window.findChild<QLabel*>("Label1")->text(), "janvier  2027");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

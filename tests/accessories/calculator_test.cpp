// The pocket calculator: its engine on the worked examples and failures, and
// its window through the keys a user types.
#include "accessories/calculator.h"
#include "accessories/dialogs/pocket.h"
#include "accessories/numbertext.h"
#include "accessories/real48.h"
#include "common/error.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace orugif;
using accessories::PocketCalculator;

namespace {

// Presses keys as the calculator's buttons name them.
void press(PocketCalculator& c, const QString& keys)
{
    for (QChar k : keys) {
        if (k.isDigit())
            c.digit(k.digitValue());
        else if (k == QLatin1Char(','))
            c.comma();
        else if (k == QLatin1Char('='))
            c.equals();
        else if (k == QLatin1Char('C'))
            c.clear();
        else
            c.operation(k);
    }
}

QString failure(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Error& e) {
        return e.message();
    }
    return {};
}

} // namespace

TEST(Calculator, workedExamplesAndRepeatedEquals)
{
    PocketCalculator c;
    press(c, "12+3=");
    EXPECT_EQ(c.display(), "15");
    press(c, "=");
    EXPECT_EQ(c.display(), "18");  // the last operation again
    press(c, "+4=");
    EXPECT_EQ(c.display(), "22");  // a sign after a result starts from it
    press(c, ",5");
    EXPECT_EQ(c.display(), "5");   // the digit starts a new entry and drops the comma
    press(c, "=C");
    EXPECT_TRUE(c.newEntry());     // "C" leaves the new-entry flag
    press(c, "7");
    EXPECT_EQ(c.display(), "7");
}

TEST(Calculator, resultsShowWhatTheSixByteRealHoldsInFewDigits)
{
    EXPECT_EQ(accessories::toReal48(0.1), 879609302221.0 / 8796093022208.0);  // 40-bit significand
    EXPECT_EQ(accessories::toReal48(1e-60), 0.0);
    EXPECT_THROW(accessories::toReal48(1e40), Error);

    PocketCalculator c;
    press(c, "10+0,05=");
    EXPECT_EQ(c.display(), "10,05");  // was cut to "10," at the first zero
    press(c, "C0,1+0,2=");
    EXPECT_EQ(c.display(), "0,3");
    press(c, "C3");
    c.reciprocal();
    EXPECT_EQ(c.display(), "0,3333333333335");
    press(c, "C2");
    c.squareRoot();
    EXPECT_EQ(c.display(), "1,414213562373");
}

TEST(Calculator, failuresGiveTheirMessageAndKeepTheNumbers)
{
    PocketCalculator c;
    press(c, "12/0");
    EXPECT_EQ(failure([&] { c.equals(); }), QString::fromUtf8("Division flottante par zéro"));
    EXPECT_EQ(c.accumulator(), 12);
    press(c, "C0");
    EXPECT_EQ(failure([&] { c.reciprocal(); }), QString::fromUtf8("Division flottante par zéro"));
    press(c, "C4-");
    press(c, "8=");
    EXPECT_EQ(failure([&] { c.squareRoot(); }), QString::fromUtf8("Opération flottante incorrecte"));
    EXPECT_EQ(c.accumulator(), -4);
    press(c, "C1,2,3+");  // the first number is no number: the display starts again
    EXPECT_EQ(c.display(), "");
    press(c, "4+5,,");
    EXPECT_EQ(failure([&] { c.equals(); }), "'5,,' n'est pas une valeur flottante correcte");
    EXPECT_EQ(c.accumulator(), 4);
}

TEST(Calculator, keysTypedInTheWindowPressItsButtons)
{
    TPocket window;
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    auto* display = window.findChild<QLabel*>("Label1");
    QTest::keyClicks(QApplication::focusWidget(), "12+3=");
    EXPECT_EQ(display->text(), "15");
    QTest::keyClicks(QApplication::focusWidget(), "c9s");
    EXPECT_EQ(display->text(), "3");
    QTest::keyClicks(QApplication::focusWidget(), "4.5x");
    EXPECT_EQ(display->text(), "0,2222222222222");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

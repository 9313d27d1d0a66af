// The euro converter's engine: both directions at the default rate, the
// rate's floor, and amounts that are no number.
#include "accessories/euro.h"

#include <gtest/gtest.h>

using orugif::accessories::EuroConverter;

namespace {
QString converted(EuroConverter& c, const QString& amount)
{
    for (QChar k : amount)
        c.type(k);
    c.convert();
    return c.result();
}
} // namespace

TEST(EuroConverter, convertsToTheCentBothWays)
{
    EuroConverter c;
    EXPECT_EQ(c.rateText(), "6,55957");
    EXPECT_EQ(converted(c, "100"), "15,24");
    c.setToEuro(false);
    EXPECT_EQ(converted(c, "1"), "6,56");  // was 6,6: francs were given to the tenth
    EXPECT_EQ(converted(c, "10"), "65,6");
    EXPECT_EQ(c.lastHundredths(), 6560);
    EXPECT_EQ(converted(c, "2.5"), "16,4");  // "." is typed as ","
    EXPECT_EQ(c.amount(), "2,5");
    c.type(QLatin1Char('7'));  // a digit after a result starts a new amount
    EXPECT_EQ(c.amount(), "7");
    EXPECT_EQ(c.result(), "");
}

TEST(EuroConverter, theRateStopsAtItsFloorAndBadAmountsEmptyBothQuietly)
{
    EuroConverter c;
    for (int i = 0; i < 655960; i += 1)
        c.spinRate(false);
    EXPECT_EQ(c.rate(), 1);
    EXPECT_EQ(c.rateText(), "1E-5");
    c.spinRate(true);
    EXPECT_EQ(c.rate(), 2);

    EuroConverter d;
    d.type(QLatin1Char(','));
    d.type(QLatin1Char(','));
    d.type(QLatin1Char('a'));  // ignored
    EXPECT_EQ(d.amount(), ",,");
    d.convert();
    EXPECT_EQ(d.amount(), "");
    EXPECT_EQ(d.result(), "");
}

#include "common/error.h"
#include "editing/redim.h"

#include <gtest/gtest.h>

using orugif::editing::RedimLogic;

TEST(Redim, keptProportionsFollowTheOtherFieldWithTheirMinimums)
{
    RedimLogic r;
    r.Init(200, 100);
    EXPECT_EQ(r.width, "200");
    EXPECT_EQ(r.height, "100");
    r.width = "300";
    r.leaveWidth();
    EXPECT_EQ(r.height, "150");
    r.width = "20";  // 10 is below 16: both show 16
    r.leaveWidth();
    EXPECT_EQ(r.width, "16");
    EXPECT_EQ(r.height, "16");
    r.height = "40";  // 80 is below 100: both show 100
    r.leaveHeight();
    EXPECT_EQ(r.width, "100");
    EXPECT_EQ(r.height, "100");
    r.height = "";
    r.leaveHeight();
    EXPECT_EQ(r.width, "100");
}

TEST(Redim, withoutProportionsTheFieldsAreIndependent)
{
    RedimLogic r;
    r.Init(200, 100);
    r.keepProportions = false;
    r.width = "20";
    r.leaveWidth();
    EXPECT_EQ(r.height, "100");
    r.confirmed = true;
    EXPECT_EQ(r.Result(), QSize(20, 100));
}

TEST(Redim, onlyAConfirmedDialogGivesASize)
{
    RedimLogic r;
    r.Init(64, 48);
    EXPECT_EQ(r.Result(), QSize(0, 0));
    r.confirmed = true;
    EXPECT_EQ(r.Result(), QSize(64, 48));
    r.width = "";
    EXPECT_EQ(r.Result(), QSize(0, 48));
}

TEST(Redim, theKeyFilterPassesDigitsAndBackspaceOnly)
{
    EXPECT_EQ(RedimLogic::filterKey('7'), RedimLogic::Key::Accept);
    EXPECT_EQ(RedimLogic::filterKey('\b'), RedimLogic::Key::Accept);
    EXPECT_EQ(RedimLogic::filterKey('\r'), RedimLogic::Key::Confirm);
    EXPECT_EQ(RedimLogic::filterKey('-'), RedimLogic::Key::Discard);
    EXPECT_EQ(RedimLogic::filterKey('a'), RedimLogic::Key::Discard);
    EXPECT_EQ(RedimLogic::filterKey(QChar(0x0663)), RedimLogic::Key::Discard);  // an Arabic-Indic digit
}

TEST(Redim, aNumberTooLargeIsRefusedInFrench)
{
    RedimLogic r;
    r.Init(200, 100);
    r.width = "99999999999999";
    EXPECT_THROW(r.leaveWidth(), orugif::Error);
    r.confirmed = true;
    try {
        r.Result();
        FAIL();
    } catch (const orugif::Error& e) {
        EXPECT_TRUE(e.message().startsWith("Largeur")) << e.what();
    }
}

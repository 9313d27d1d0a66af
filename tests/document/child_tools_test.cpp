// The drawing tools as the document runs them from mouse events.
#include "document/scripted.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace orugif;
using orugif::test::Document;

TEST(Tools, atMostOneToolIsActive)
{
    Document d;
    TChild& c = d.child;
    c.Pinceau();
    EXPECT_TRUE(c.BrushOn);
    c.Pipette();
    EXPECT_TRUE(c.PipetteOn && !c.BrushOn && !c.FillOn && !c.TextOn);
    c.Texte();
    EXPECT_TRUE(c.TextOn && !c.PipetteOn);
    c.Remplir();
    EXPECT_TRUE(c.FillOn && !c.TextOn);
    c.Pointeur();
    EXPECT_FALSE(c.PipetteOn || c.FillOn || c.TextOn || c.BrushOn);
}

TEST(Tools, theBrushPaintsBlackSegmentsWithAnyButton)
{
    Document d;
    d.fill({0xffffff}, 6, 3);
    TChild& c = d.child;
    c.Pinceau();
    c.Image1MouseDown(Qt::RightButton, 0, 1);
    EXPECT_TRUE(c.Drawing && c.FrameChanged && c.Modified);
    EXPECT_EQ(c.picture().pixel(0, 1), qRgb(255, 255, 255));  // the press only moves the pen
    c.Image1MouseMove(3, 1);
    c.Image1MouseMove(9, 1);  // leaves the picture: clipped
    c.Image1MouseUp(Qt::RightButton, 9, 1);
    EXPECT_FALSE(c.Drawing);
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(c.picture().pixel(x, 1), qRgb(0, 0, 0)) << x;
    c.Image1MouseMove(0, 0);  // no stroke after the release
    EXPECT_EQ(c.picture().pixel(0, 0), qRgb(255, 255, 255));
    // The brush takes no undo copy: undo goes back to the frame as read.
    c.Annule();
    EXPECT_EQ(c.picture().pixel(1, 1), qRgb(255, 255, 255));
}

TEST(Tools, pressingWithoutMovingPaintsNothing)
{
    Document d;
    d.fill({0xffffff}, 3, 3);
    d.child.Pinceau();
    d.child.Image1MouseDown(Qt::LeftButton, 1, 1);
    d.child.Image1MouseUp(Qt::LeftButton, 1, 1);
    d.child.Image1Click();
    EXPECT_EQ(d.child.picture().pixel(1, 1), qRgb(255, 255, 255));
}

TEST(Tools, thePipetteTakesTheExactColourWithoutChangingAnything)
{
    Document d;
    d.fill({0x123456}, 3, 3);
    TChild& c = d.child;
    QSignalSpy picked(&c, &TChild::colourPicked);
    c.Pipette();
    c.Image1MouseDown(Qt::LeftButton, 2, 2);
    c.Image1Click();
    ASSERT_EQ(picked.count(), 1);
    EXPECT_EQ(picked.at(0).at(0).value<Colour>(), colourFromRgb(0x12, 0x34, 0x56));
    EXPECT_FALSE(c.FrameChanged || c.Modified);
}

TEST(Tools, fillingWithTheSameColourChangesNoPixelButMarksTheFrame)
{
    Document d;
    d.fill({0x123456}, 3, 3);
    TChild& c = d.child;
    const QImage before = c.picture().copy();
    d.paint(0x123456);
    EXPECT_EQ(c.picture(), before);
    EXPECT_TRUE(c.FrameChanged && c.Modified);
}

TEST(Tools, clicksOutsideThePictureOrWithNoToolDoNothing)
{
    Document d;
    d.fill({0x000000}, 3, 3);
    TChild& c = d.child;
    c.setDrawingColourSource([] { return clWhite; });
    c.Image1MouseDown(Qt::LeftButton, 1, 1);
    c.Image1Click();
    c.Remplir();
    c.Image1MouseDown(Qt::LeftButton, 5, 1);
    c.Image1Click();
    EXPECT_EQ(c.picture().pixel(1, 1), qRgb(0, 0, 0));
    EXPECT_FALSE(c.FrameChanged);
}

TEST(Tools, theTextToolStampsAtTheClickAndKeepsTheAngle)
{
    Document d;
    d.fill({0x000000}, 120, 60);
    TChild& c = d.child;
    c.Texte();
    d.prompts.text = "Oru";
    d.prompts.textAngle = 0;
    c.Image1MouseDown(Qt::LeftButton, 10, 20);
    c.Image1Click();
    EXPECT_EQ(c.picture().pixel(10, 20), qRgb(255, 255, 255));  // the white box's corner
    EXPECT_TRUE(c.FrameChanged && c.Modified);
    EXPECT_TRUE(c.TextToDraw.isEmpty());
    c.Annule();
    EXPECT_EQ(c.picture().pixel(10, 20), qRgb(0, 0, 0));

    d.prompts.textAngle = 45;
    c.Image1MouseDown(Qt::LeftButton, 30, 40);
    c.Image1Click();
    EXPECT_EQ(c.TextAngle, 45);
}

TEST(Tools, aCancelledTextDialogDrawsNothingAndLeavesTheDocumentAsItWas)
{
    Document d;
    d.fill({0x000000}, 40, 30);
    TChild& c = d.child;
    c.Texte();
    c.Image1MouseDown(Qt::LeftButton, 1, 1);
    c.Image1Click();
    EXPECT_EQ(c.picture(), testsupport::solid(40, 30, 0));
    EXPECT_FALSE(c.FrameChanged || c.Modified);
}

// The document model: reset, status line, write-back, navigation, blank
// frames and undo.
#include "document/scripted.h"

#include <gtest/gtest.h>

using namespace orugif;
using orugif::test::Document;

namespace {
constexpr unsigned kWhite = 0xffffff;

void putOnClipboard(const QImage& image) { SystemClipboard().setImage(image); }
} // namespace

TEST(DocumentModel, aFreshDocumentIsAnEmptyAnimation)
{
    Document d;
    const TChild& c = d.child;
    EXPECT_EQ(c.statusText(), "Aucun cadre");
    EXPECT_FALSE(c.FrameChanged);
    EXPECT_TRUE(c.NewFrame);
    EXPECT_FALSE(c.Modified);
    EXPECT_EQ(c.CurrentIndex, 0);
    EXPECT_EQ(c.RepeatCount, 0);
    EXPECT_EQ(c.FrameDelay, 30);
    EXPECT_TRUE(c.picture().isNull());
    EXPECT_TRUE(c.FileName.isEmpty());
}

TEST(DocumentModel, initResetsTheAnimationButKeepsWhatItDoesNotOwn)
{
    Document d;
    d.fill({1, 2, 3}, 10, 8);
    TChild& c = d.child;
    c.FileName = "/tmp/a.gif";
    c.Modified = c.FrameChanged = true;
    c.RepeatCount = 4;
    c.FrameDelay = 7;
    c.TransparentBackground = c.RemoveLocalPalettes = c.MergeDuplicatePixels = true;
    c.RemoveUselessFrames = true;
    c.TextAngle = 45;
    c.Pinceau();
    c.Init();
    EXPECT_EQ(c.statusText(), "Aucun cadre");
    EXPECT_EQ(c.ImageList1.count(), 0);
    EXPECT_EQ(c.ImageList1.frameSize(), QSize(10, 8));  // the frame size stays
    EXPECT_FALSE(c.Modified || c.FrameChanged || c.TransparentBackground || c.RemoveLocalPalettes
                 || c.MergeDuplicatePixels || c.BrushOn);
    EXPECT_TRUE(c.NewFrame);
    EXPECT_EQ(c.RepeatCount, 0);
    EXPECT_EQ(c.FrameDelay, 30);
    EXPECT_TRUE(c.RemoveUselessFrames);
    EXPECT_EQ(c.TextAngle, 45);
    EXPECT_TRUE(c.FileName.isEmpty());
}

TEST(WriteBack, appendsANewFrameThenReplacesItAtTheNextWriteBack)
{
    Document d;
    d.fill({1, 2});
    TChild& c = d.child;
    c.Ajouter();
    d.paint(0x00ff00);
    c.Modified = false;

    c.EcritCadre();  // appends; FrameChanged stays set, Modified untouched
    EXPECT_EQ(c.ImageList1.count(), 3);
    EXPECT_EQ(c.CurrentIndex, 2);
    EXPECT_TRUE(c.FrameChanged);
    EXPECT_FALSE(c.NewFrame);
    EXPECT_FALSE(c.Modified);

    d.paint(0x0000ff);
    c.EcritCadre();  // replaces the appended frame and only now marks the change
    EXPECT_EQ(c.ImageList1.count(), 3);
    EXPECT_EQ(d.colourOf(2), 0x0000ffu);
    EXPECT_FALSE(c.FrameChanged);
    EXPECT_TRUE(c.Modified);

    c.EcritCadre();  // nothing pending: nothing happens
    EXPECT_EQ(c.ImageList1.count(), 3);
}

TEST(Navigation, movesWithinTheStoreAndWritesBackFirst)
{
    Document d;
    d.fill({1, 2, 3});
    TChild& c = d.child;
    c.Dernier();
    EXPECT_EQ(c.statusText(), "Cadre 3 / 3 (4 x 3) - 0,30 s");
    d.paint(0x00aa00);
    c.Suivant();  // stays on the last frame but stores the change
    EXPECT_EQ(c.CurrentIndex, 2);
    EXPECT_EQ(d.colourOf(2), 0x00aa00u);
    EXPECT_TRUE(c.Modified);

    c.Premier();
    d.paint(0x0000bb);
    c.Precedent();  // stays on frame 0 but stores the change
    EXPECT_EQ(c.CurrentIndex, 0);
    EXPECT_EQ(d.colourOf(0), 0x0000bbu);

    EXPECT_TRUE(c.FormKeyDown(Qt::Key_PageDown));
    EXPECT_EQ(c.CurrentIndex, 1);
    EXPECT_EQ(d.shown(), 2u);
    EXPECT_TRUE(c.FormKeyDown(Qt::Key_PageUp));
    EXPECT_EQ(c.CurrentIndex, 0);
    EXPECT_FALSE(c.FormKeyDown(Qt::Key_Home));
    EXPECT_FALSE(c.NewFrame);
}

TEST(Navigation, onAnEmptyStoreLeavesNoCurrentFrame)
{
    Document d;
    d.child.Suivant();
    EXPECT_EQ(d.child.CurrentIndex, -1);
    EXPECT_EQ(d.child.statusText(), "Cadre 1 / 1 (16 x 16) - nouveau");  // a blank frame to draw on
    d.child.Dernier();
    EXPECT_EQ(d.child.CurrentIndex, -1);
}

TEST(BlankFrames, ajouterShowsAWhiteFrameAfterTheLastAndDrawingAppendsIt)
{
    Document d;
    d.fill({1, 2, 3});
    TChild& c = d.child;
    c.Ajouter();
    EXPECT_EQ(c.statusText(), "Cadre 4 / 4 (4 x 3) - nouveau");
    EXPECT_EQ(d.shown(), kWhite);
    EXPECT_TRUE(c.NewFrame);
    d.paint(0x123456);
    c.Suivant();
    EXPECT_EQ(c.ImageList1.count(), 4);
    EXPECT_EQ(c.CurrentIndex, 3);
    EXPECT_EQ(d.colourOf(3), 0x123456u);
    EXPECT_EQ(c.statusText(), "Cadre 4 / 4 (4 x 3) - 0,30 s");
}

TEST(BlankFrames, aSecondAjouterAppendsTheUntouchedWhiteFrame)
{
    // A picture pasted into a new document, then Ajouter twice.
    putOnClipboard(testsupport::solid(6, 5, 0xff0000));
    Document d;
    TChild& c = d.child;
    c.Coller();
    c.Ajouter();
    EXPECT_EQ(c.ImageList1.count(), 1);
    EXPECT_EQ(d.colourOf(0), 0xff0000u);
    EXPECT_EQ(d.shown(), kWhite);
    c.Ajouter();  // FrameChanged is still set from the first append
    EXPECT_EQ(c.ImageList1.count(), 2);
    EXPECT_EQ(d.colourOf(1), kWhite);
    EXPECT_EQ(c.statusText(), "Cadre 3 / 3 (6 x 5) - nouveau");
}

TEST(BlankFrames, anUntouchedBlankFrameIsDroppedAndTheNextChangeIsAppended)
{
    Document d;
    d.fill({1, 2});
    TChild& c = d.child;
    ASSERT_FALSE(c.FrameChanged);
    c.Ajouter();
    c.Precedent();
    EXPECT_EQ(c.ImageList1.count(), 2);
    EXPECT_EQ(c.CurrentIndex, 1);
    EXPECT_EQ(d.shown(), 2u);
    EXPECT_TRUE(c.NewFrame);
    d.paint(0x00ff00);
    c.Premier();
    EXPECT_EQ(c.ImageList1.count(), 3);  // appended, frame 1 unchanged
    EXPECT_EQ(d.colourOf(1), 2u);
    EXPECT_EQ(d.colourOf(2), 0x00ff00u);
}

TEST(BlankFrames, insereAddsAWhiteFrameAtTheCurrentPosition)
{
    Document d;
    d.fill({1, 2, 3, 4});
    TChild& c = d.child;
    c.CurrentIndex = 2;
    c.LitCadre();
    const QString before = c.statusText();
    c.Insere();
    ASSERT_EQ(c.ImageList1.count(), 5);
    EXPECT_EQ(d.colourOf(2), kWhite);
    EXPECT_EQ(d.colourOf(3), 3u);
    EXPECT_EQ(c.CurrentIndex, 2);
    EXPECT_EQ(c.statusText(), before);  // refreshed only by the next command
}

TEST(BlankFrames, theFirstBlankFrameOfANewDocumentSetsTheFrameSize)
{
    Document d;
    TChild& c = d.child;
    c.Ajouter();
    EXPECT_EQ(c.picture().size(), TChild::kInitialPictureArea);
    d.paint(0x0000ff);
    c.Suivant();
    EXPECT_EQ(c.ImageList1.frameSize(), TChild::kInitialPictureArea);
    EXPECT_EQ(c.picture().size(), TChild::kInitialPictureArea);
    EXPECT_EQ(c.pictureArea(), TChild::kInitialPictureArea);
}

TEST(Undo, stepsBackThroughEachChangeAndRedoReplaysThem)
{
    Document d;
    d.fill({1, 2});
    TChild& c = d.child;
    d.paint(0x00ff00);
    d.paint(0x0000ff);
    c.Annule();
    EXPECT_EQ(d.shown(), 0x00ff00u);
    c.Annule();
    EXPECT_EQ(d.shown(), 1u);
    EXPECT_FALSE(c.FrameChanged);  // the frame as read: nothing to write back
    c.Annule();  // nothing more to undo
    EXPECT_EQ(d.shown(), 1u);
    c.Retablit();
    c.Retablit();
    EXPECT_EQ(d.shown(), 0x0000ffu);
    EXPECT_TRUE(c.FrameChanged);
    c.Suivant();
    EXPECT_EQ(d.colourOf(0), 0x0000ffu);
}

TEST(Undo, withNoPictureDoesNothing)
{
    Document d;
    d.child.Annule();
    EXPECT_TRUE(d.child.picture().isNull());
}

// The status line counts a frame not yet in the animation as the one it will
// become, and an empty animation as having none.
TEST(StatusLine, countsThePendingFrameAndSaysWhenThereIsNone)
{
    Document d;
    TChild& c = d.child;
    EXPECT_EQ(c.statusText(), "Aucun cadre");
    putOnClipboard(testsupport::solid(6, 5, 0xff0000));
    c.Coller();
    EXPECT_EQ(c.statusText(), "Cadre 1 / 1 (6 x 5) - nouveau");
    c.Ajouter();
    EXPECT_EQ(c.statusText(), "Cadre 2 / 2 (6 x 5) - nouveau");
    c.Premier();
    EXPECT_EQ(c.statusText(), "Cadre 1 / 2 (6 x 5) - 0,30 s");
    d.fill({1, 2, 3, 4, 5}, 4, 3);
    c.Dernier();
    EXPECT_EQ(c.statusText(), "Cadre 5 / 5 (4 x 3) - 0,30 s");
    c.Ajouter();
    EXPECT_EQ(c.statusText(), "Cadre 6 / 6 (4 x 3) - nouveau");
}

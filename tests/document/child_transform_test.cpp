// The transform commands as the document runs them: undo, flags, dialogs'
// answers, and the resize and resample of every frame.
#include "common/error.h"
#include "document/scripted.h"

#include <gtest/gtest.h>

using namespace orugif;
using orugif::test::Document;

namespace {
// A frame whose left half is `left` and right half `right`.
QImage halves(int w, int h, QRgb left, QRgb right)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, x < w / 2 ? left : right);
    return image;
}
} // namespace

TEST(TransformCommands, mirrorsAndMovesTakeUndoAndMarkTheFrame)
{
    Document d;
    d.child.ImageList1.add(halves(4, 4, qRgb(255, 0, 0), qRgb(0, 0, 255)));
    d.child.NewFrame = false;
    d.child.LitCadre();
    TChild& c = d.child;

    c.MiroirV();
    EXPECT_EQ(c.picture().pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_TRUE(c.FrameChanged && c.Modified);
    c.Annule();
    EXPECT_EQ(c.picture().pixel(0, 0), qRgb(255, 0, 0));

    d.prompts.move = QPoint(2, 0);
    c.Deplacer();
    EXPECT_EQ(d.prompts.moveLimits, QSize(4, 4));
    EXPECT_EQ(c.picture().pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(c.picture().pixel(2, 0), qRgb(255, 0, 0));
}

TEST(TransformCommands, rotationRefusesANonSquarePictureAndHonoursCancel)
{
    Document d;
    d.fill({0x112233}, 5, 4);
    TChild& c = d.child;
    d.prompts.rotation = 2;
    c.Rotation();
    EXPECT_EQ(d.prompts.informed, QStringList{QString::fromUtf8("l'image n'est pas carrée")});
    EXPECT_FALSE(c.FrameChanged || c.Modified);

    Document square;
    square.fill({0x112233}, 1, 1);
    square.prompts.rotation = 0;  // cancelled
    square.child.Rotation();
    EXPECT_FALSE(square.child.FrameChanged);
    square.prompts.rotation = 1;  // a 1 x 1 picture still counts as edited
    square.child.Rotation();
    EXPECT_TRUE(square.child.FrameChanged && square.child.Modified);
}

TEST(ResizeCommands, stretchEveryFrameIncludingTheCurrentFramesEdits)
{
    Document d;
    d.fill({0x000001, 0x000002, 0x000003}, 10, 8);
    TChild& c = d.child;
    c.Suivant();
    d.paint(0x00ff00);  // not written back yet
    d.prompts.resize = QSize(20, 4);
    c.Taille();
    EXPECT_EQ(d.prompts.resizeFrom, QSize(10, 8));
    EXPECT_EQ(c.ImageList1.frameSize(), QSize(20, 4));
    EXPECT_EQ(c.ImageList1.count(), 3);
    EXPECT_EQ(d.colourOf(1), 0x00ff00u);  // the edit was kept, not replaced
    EXPECT_EQ(d.shown(), 0x00ff00u);
    EXPECT_EQ(c.CurrentIndex, 1);
    EXPECT_EQ(c.picture().size(), QSize(20, 4));
    EXPECT_EQ(c.pictureArea(), QSize(20, 4));
    EXPECT_TRUE(c.Modified);
}

TEST(ResizeCommands, theSameSizeStillRebuildsAndACancelChangesNothing)
{
    Document d;
    d.fill({0x000001}, 10, 8);
    d.prompts.resize = QSize(0, 0);
    d.child.Taille();
    EXPECT_FALSE(d.child.Modified);
    d.prompts.resize = QSize(10, 8);
    d.child.Taille();
    EXPECT_TRUE(d.child.Modified);
}

TEST(ResizeCommands, resamplingUsesTheFilterAndAllowsOnePixelSides)
{
    Document d;
    d.child.ImageList1.add(halves(8, 8, qRgb(0, 0, 0), qRgb(255, 255, 255)));
    d.child.NewFrame = false;
    d.child.LitCadre();
    d.prompts.resize = QSize(16, 1);
    d.child.Rechantilloner();
    ASSERT_EQ(d.child.ImageList1.frameSize(), QSize(16, 1));
    const QImage frame = d.child.ImageList1.frame(0);
    EXPECT_EQ(qRed(frame.pixel(0, 0)), 0);
    EXPECT_EQ(qRed(frame.pixel(15, 0)), 255);
    const int middle = qRed(frame.pixel(7, 0));
    EXPECT_GT(middle, 0);  // filtered, not a plain stretch
    EXPECT_LT(middle, 255);

    d.prompts.resize = QSize(1, 1);
    d.child.Rechantilloner();
    EXPECT_EQ(d.child.ImageList1.frameSize(), QSize(1, 1));
}

TEST(ResizeCommands, aSizeTooLargeIsRefusedBeforeAnythingIsBuilt)
{
    Document d;
    d.fill({1, 2, 3, 4, 5, 6, 7, 8, 9}, 10, 8);
    d.prompts.resize = QSize(16384, 16384);  // 9 frames of 2^28 pixels: more than the editor holds
    EXPECT_THROW(d.child.Taille(), Error);
    d.prompts.resize = QSize(20000, 10);
    EXPECT_THROW(d.child.Rechantilloner(), Error);
    EXPECT_EQ(d.child.ImageList1.frameSize(), QSize(10, 8));
    EXPECT_FALSE(d.child.Modified);
}

TEST(EffectsCommand, writesBackFirstAndACancelledDialogChangesNothing)
{
    Document d;
    d.fill({0x000001, 0x000002}, 4, 4);
    TChild& c = d.child;
    d.paint(0x00ff00);
    c.Speciaux();  // cancelled: the picture stays
    EXPECT_EQ(d.colourOf(0), 0x00ff00u);  // written back before the dialog
    EXPECT_EQ(d.prompts.effectsShown.pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_TRUE(c.Modified);  // by the painting

    c.Modified = false;  // as after a save
    c.Speciaux();
    EXPECT_FALSE(c.FrameChanged || c.Modified);

    d.prompts.effectResult = testsupport::solid(4, 4, 0x0000ff);
    c.Speciaux();
    EXPECT_EQ(d.shown(), 0x0000ffu);
    EXPECT_TRUE(c.FrameChanged && c.Modified);
    c.Annule();
    EXPECT_EQ(d.shown(), 0x00ff00u);
}

TEST(TransitionCommands, afterInsertsFollowingTheCurrentFrame)
{
    Document d;
    d.fill({1, 2, 3}, 40, 20);
    TChild& c = d.child;
    c.Suivant();
    d.prompts.transition = {1, 3};  // "Stores", 3 frames
    c.TransApres();
    ASSERT_EQ(c.ImageList1.count(), 6);
    EXPECT_EQ(c.CurrentIndex, 1);
    EXPECT_EQ(d.colourOf(1), 2u);
    EXPECT_EQ(d.colourOf(5), 3u);
    EXPECT_EQ(c.ImageList1.frame(2).pixel(5, 2), qRgb(0, 0, 0));  // frame 1's line at y = 2
    EXPECT_TRUE(c.Modified);
}

TEST(TransitionCommands, beforeKeepsTheFormerFrameCurrent)
{
    Document d;
    d.fill({1, 2, 3, 4, 5}, 40, 100);
    TChild& c = d.child;
    c.CurrentIndex = 2;
    c.LitCadre();
    d.prompts.transition = {1, 3};
    c.TransAvant();
    ASSERT_EQ(c.ImageList1.count(), 8);
    EXPECT_EQ(c.CurrentIndex, 5);
    EXPECT_EQ(d.colourOf(5), 3u);
    EXPECT_EQ(d.shown(), 3u);
    // Widths 3, 2, 1 at indexes 2, 3, 4: the widest first.
    const auto blackRows = [&](int i) {
        int n = 0;
        for (int y = 0; y < 100; ++y)
            n += c.ImageList1.frame(i).pixel(20, y) == qRgb(0, 0, 0);
        return n;
    };
    EXPECT_GT(blackRows(2), blackRows(3));
    EXPECT_GT(blackRows(3), blackRows(4));
}

TEST(TransitionCommands, cancelOnlyWritesBackAndAPendingBlankFrameIsRefused)
{
    Document d;
    d.fill({1, 2}, 40, 20);
    TChild& c = d.child;
    d.paint(0x00ff00);
    d.prompts.transition = {-1, 4};
    c.TransApres();
    EXPECT_EQ(d.colourOf(0), 0x00ff00u);
    EXPECT_EQ(c.ImageList1.count(), 2);

    c.Premier();
    c.Ajouter();  // nothing drawn: the blank frame is not in the store
    d.prompts.transition = {0, 4};
    EXPECT_THROW(c.TransApres(), Error);
    EXPECT_THROW(c.TransAvant(), Error);
    EXPECT_EQ(c.ImageList1.count(), 2);
}

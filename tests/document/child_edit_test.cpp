// Frame list editing through the real (offscreen) clipboard.
#include "common/error.h"
#include "document/scripted.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <gtest/gtest.h>

using namespace orugif;
using orugif::test::Document;
using testsupport::solid;

namespace {
constexpr unsigned kWhite = 0xffffff;
void putOnClipboard(const QImage& image) { QGuiApplication::clipboard()->setImage(image); }
} // namespace

TEST(Supprimer, theNextFrameTakesThePlaceOfTheDeletedOne)
{
    Document d;
    d.fill({1, 2, 3, 4, 5});
    TChild& c = d.child;
    c.CurrentIndex = 2;
    c.Supprimer();
    EXPECT_EQ(c.ImageList1.count(), 4);
    EXPECT_EQ(c.CurrentIndex, 2);
    EXPECT_EQ(d.shown(), 4u);

    c.Dernier();
    c.Supprimer();  // the last: the new last becomes current
    EXPECT_EQ(c.CurrentIndex, 2);
    EXPECT_EQ(d.shown(), 4u);
    EXPECT_TRUE(c.Modified);  // closing asks before the deletion is lost
}

TEST(Supprimer, theOnlyFrameLeavesAnEmptyStore)
{
    Document d;
    d.fill({7});
    d.child.Supprimer();
    EXPECT_EQ(d.child.ImageList1.count(), 0);
    EXPECT_EQ(d.child.CurrentIndex, -1);
    EXPECT_EQ(d.child.statusText(), "Aucun cadre");
}

TEST(Supprimer, deletingTheOnlyFrameShowsAnEmptyDocumentThatStartsAgain)
{
    Document d;
    d.fill({7});
    TChild& c = d.child;
    d.paint(0x00ff00);
    c.Supprimer();  // the frame goes with its pending change
    EXPECT_TRUE(c.picture().isNull());
    EXPECT_EQ(c.statusText(), "Aucun cadre");
    c.Suivant();
    EXPECT_EQ(c.ImageList1.count(), 0);
    c.Ajouter();  // a blank frame of the animation's size starts it again
    d.paint(0x0000ff);
    c.Suivant();
    ASSERT_EQ(c.ImageList1.count(), 1);
    EXPECT_EQ(c.picture().size(), c.ImageList1.frameSize());
}

TEST(Supprimer, withABlankFramePendingDeletesNothing)
{
    Document d;
    d.fill({1, 2});
    d.child.Ajouter();
    d.child.Supprimer();
    EXPECT_EQ(d.child.ImageList1.count(), 2);
    EXPECT_EQ(d.child.CurrentIndex, 1);
    EXPECT_EQ(d.shown(), 2u);
}

TEST(Clipboard, copyAndCutPutTheWorkingPictureAsShown)
{
    Document d;
    d.fill({1, 2, 3});
    TChild& c = d.child;
    c.Suivant();
    d.paint(0x00ff00);  // not yet written back
    c.Copier();
    EXPECT_EQ(QGuiApplication::clipboard()->image().pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(c.ImageList1.count(), 3);

    c.Couper();  // the stored frame at the index goes
    EXPECT_EQ(QGuiApplication::clipboard()->image().pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(c.ImageList1.count(), 2);
    EXPECT_EQ(d.shown(), 3u);
}

TEST(Clipboard, pasteDrawsAtTheTopLeftAndMarksTheFrame)
{
    Document d;
    d.fill({kWhite}, 4, 4);
    TChild& c = d.child;
    putOnClipboard(solid(2, 2, 0x0000ff));
    c.Coller();
    EXPECT_EQ(c.picture().pixel(1, 1), qRgb(0, 0, 255));
    EXPECT_EQ(c.picture().pixel(2, 2), qRgb(255, 255, 255));
    EXPECT_TRUE(c.FrameChanged);
    EXPECT_TRUE(c.Modified);
    EXPECT_EQ(c.ImageList1.count(), 1);  // part of the frame, not a frame of its own
    c.Annule();
    EXPECT_EQ(c.picture().pixel(1, 1), qRgb(255, 255, 255));

    putOnClipboard(solid(9, 9, 0xff0000));  // larger: cut at the right and bottom
    c.Coller();
    EXPECT_EQ(c.picture().size(), QSize(4, 4));
    EXPECT_EQ(c.picture().pixel(3, 3), qRgb(255, 0, 0));
}

TEST(Clipboard, pasteIntoAnEmptyDocumentSetsTheFrameSize)
{
    Document d;
    putOnClipboard(solid(33, 17, 0x808080));
    d.child.Coller();
    EXPECT_EQ(d.child.ImageList1.frameSize(), QSize(33, 17));
    EXPECT_EQ(d.child.pictureArea(), QSize(33, 17));
    EXPECT_EQ(d.child.picture().size(), QSize(33, 17));
    EXPECT_EQ(d.child.statusText(), "Cadre 1 / 1 (33 x 17) - nouveau");
}

TEST(Clipboard, pasteWithoutAPictureStillMarksTheDocument)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("pas une image"));
    Document d;
    d.fill({1});
    d.child.Coller();
    EXPECT_EQ(d.shown(), 1u);
    EXPECT_TRUE(d.child.FrameChanged);
    EXPECT_TRUE(d.child.Modified);
}

TEST(Clipboard, anEmptyOrHugeClipboardPictureIsRefusedAndChangesNothing)
{
    Document d;
    d.fill({1});
    TChild& c = d.child;

    auto* empty = new QMimeData;
    empty->setImageData(QImage());
    QGuiApplication::clipboard()->setMimeData(empty);
    if (SystemClipboard().hasImage()) {
        EXPECT_THROW(c.Coller(), Error);
    }

    putOnClipboard(QImage(16385, 1, QImage::Format_RGB32));
    try {
        c.Coller();
        FAIL() << "a picture wider than 16384 pixels was pasted";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("16385 x 1")) << e.what();
    }
    EXPECT_FALSE(c.FrameChanged);
    EXPECT_FALSE(c.Modified);
    EXPECT_EQ(d.shown(), 1u);
}

TEST(Effacer, asksFirstAndOnlyOkClearsTheFrame)
{
    Document d;
    d.fill({5});
    TChild& c = d.child;
    d.prompts.answers = {Answer::No};
    c.Effacer();
    EXPECT_EQ(d.prompts.asked, QStringList{"Confirmer effacer le cadre ?"});
    EXPECT_EQ(d.shown(), 5u);
    EXPECT_FALSE(c.Modified);

    d.paint(0x00ff00);
    d.prompts.answers = {Answer::Ok};
    c.Effacer();
    EXPECT_EQ(d.shown(), kWhite);
    EXPECT_TRUE(c.FrameChanged && c.Modified);
    c.Annule();  // back to the frame as it was before the fill
    EXPECT_EQ(d.shown(), 0x00ff00u);

    putOnClipboard(solid(1, 1, 0x0000ff));
    c.Effacer();  // unanswered: nothing changes
    EXPECT_EQ(d.shown(), 0x00ff00u);
}

TEST(Inverser, reversesTheFramesAndShowsTheMirroredPosition)
{
    Document d;
    d.fill({0xA, 0xB, 0xC, 0xD});
    TChild& c = d.child;
    c.Suivant();  // B
    c.Inverser();
    EXPECT_EQ(d.colourOf(0), 0xDu);
    EXPECT_EQ(d.colourOf(3), 0xAu);
    EXPECT_EQ(c.CurrentIndex, 1);
    EXPECT_EQ(d.shown(), 0xCu);
    EXPECT_TRUE(c.Modified);
}

TEST(Inverser, storesAPendingChangeFirst)
{
    Document d;
    d.fill({0xA, 0xB, 0xC});
    TChild& c = d.child;
    d.paint(0x00ff00);  // frame 0 edited
    c.Inverser();
    EXPECT_EQ(d.colourOf(2), 0x00ff00u);
    EXPECT_EQ(d.shown(), 0xCu);
}

TEST(FrameViews, theFrameListReordersDeletesOrChangesNothing)
{
    Document d;
    d.fill({1, 2, 3, 4, 5});
    TChild& c = d.child;
    c.CurrentIndex = 4;
    c.LitCadre();
    d.prompts.frameOrder = {};  // cancelled, or every entry deleted
    c.ListeCadres();
    EXPECT_EQ(c.ImageList1.count(), 5);
    EXPECT_FALSE(c.Modified);
    EXPECT_FALSE(c.history().canUndo());  // nothing to undo

    d.prompts.frameOrder = {2, 0, 1};  // frame 3 moved to the top, frames 4 and 5 deleted
    c.ListeCadres();
    ASSERT_EQ(c.ImageList1.count(), 3);
    EXPECT_EQ(d.colourOf(0), 3u);
    EXPECT_EQ(d.colourOf(1), 1u);
    EXPECT_EQ(d.colourOf(2), 2u);
    EXPECT_TRUE(c.Modified);
    EXPECT_EQ(c.CurrentIndex, 2);  // was past the new last frame
    EXPECT_EQ(d.shown(), 2u);
    EXPECT_THROW(c.reorderFrames({0, 7}), Error);
    EXPECT_EQ(c.ImageList1.count(), 3);
}

TEST(FrameViews, theThumbnailChosenBecomesCurrentAndClosingTakesTheFirst)
{
    Document d;
    d.fill({1, 2, 3});
    TChild& c = d.child;
    d.prompts.thumbnail = 2;
    c.Montrer();
    EXPECT_EQ(d.prompts.thumbnailsShown, 3);
    EXPECT_EQ(c.CurrentIndex, 2);
    d.prompts.thumbnail = -1;  // "Fermer"
    c.Montrer();
    EXPECT_EQ(c.CurrentIndex, 0);
    EXPECT_EQ(d.shown(), 1u);

    c.FileName = "/tmp/dossier/anim.gif";
    c.HtmlCode();
    EXPECT_EQ(d.prompts.html, (std::pair<QString, QSize>{"anim.gif", QSize(4, 3)}));
}

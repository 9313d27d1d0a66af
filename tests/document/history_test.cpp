// The undo history: what a step keeps, the memory bound, the saved point,
// and the document changes that were not undoable before.
#include "document/history.h"
#include "document/scripted.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orugif;
using orugif::test::Document;
using testsupport::solid;

namespace {

// A state of `count` frames of w x h, frame i of colour i + 1.
DocumentState framesState(int count, int w, int h)
{
    DocumentState s;
    std::vector<QImage> frames;
    for (int i = 0; i < count; ++i)
        frames.push_back(solid(w, h, unsigned(i + 1)));
    s.store.assign(std::move(frames), QSize(w, h));
    s.picture = s.store.frame(0);
    s.newFrame = false;
    return s;
}

// `s` with frame `index` replaced by a picture of its own.
DocumentState withNewFrame(DocumentState s, int index, unsigned rgb)
{
    s.store.replace(index, solid(s.store.width(), s.store.height(), rgb));
    return s;
}

// The handles of a state of n frames: what a step costs besides pictures.
std::int64_t handles(int n) { return std::int64_t(sizeof(DocumentState)) + n * std::int64_t(sizeof(QImage) + sizeof(int)); }

} // namespace

TEST(History, aStepThatChangesOneFrameKeepsOnlyThatFrame)
{
    const std::int64_t frameBytes = 64 * 48 * 4;
    History h(std::int64_t(1) << 40);
    const DocumentState a = framesState(100, 64, 48);
    const DocumentState b = withNewFrame(a, 5, 0xabcdef);
    h.record("Remplir", a, b);
    // Beyond the document: the old frame 5, and the two states' handles.
    EXPECT_EQ(h.bytesBeyond(b), frameBytes + 2 * handles(100));
    EXPECT_EQ(h.bytes(), 101 * frameBytes + 2 * handles(100));

    // The next step starts where the first ended: the states are shared.
    const DocumentState c = withNewFrame(b, 7, 0x123456);
    h.record("Remplir", b, c);
    EXPECT_EQ(h.bytesBeyond(c), 2 * frameBytes + 3 * handles(100));
    EXPECT_EQ(h.count(), 2);
}

TEST(History, theOldestStepsGoWhenTheLimitIsReachedAndTheNewestStay)
{
    const std::int64_t frameBytes = 32 * 32 * 4;
    const std::int64_t limit = 10 * frameBytes + 12 * handles(20);
    History h(limit);
    std::vector<DocumentState> states{framesState(20, 32, 32)};
    for (int i = 0; i < 50; ++i) {
        states.push_back(withNewFrame(states.back(), i % 20, 0x010000u * unsigned(i + 1)));
        h.record(QStringLiteral("Etape %1").arg(i), states[states.size() - 2], states.back());
        EXPECT_LE(h.bytesBeyond(states.back()), limit) << i;
    }
    EXPECT_LT(h.count(), 50);
    EXPECT_GE(h.count(), 5);
    EXPECT_EQ(h.undoName(), "Etape 49");
    // Every step kept undoes to the state before it, the oldest kept last.
    int undone = 0;
    while (h.canUndo()) {
        const DocumentState& back = h.undo();
        ++undone;
        const DocumentState& expected = states[states.size() - 1 - std::size_t(undone)];
        for (int f = 0; f < 20; ++f)
            EXPECT_EQ(back.store.frame(f).cacheKey(), expected.store.frame(f).cacheKey()) << undone << " " << f;
    }
    EXPECT_EQ(undone, h.count());
    EXPECT_FALSE(h.atSaved());  // the saved start is no longer reachable
}

TEST(History, aStepLargerThanTheLimitIsNotKept)
{
    History h(100);
    const DocumentState a = framesState(2, 16, 16);
    h.record("Redimensionner", a, framesState(2, 8, 8));
    EXPECT_FALSE(h.canUndo());
    EXPECT_EQ(h.bytes(), 0);
}

TEST(History, aNewChangeAfterUndoDropsTheRedoAndTheSavedPointWithIt)
{
    History h;
    DocumentState s = framesState(3, 4, 4);
    for (int i = 0; i < 3; ++i) {
        DocumentState next = withNewFrame(s, i, 0xff0000);
        h.record("Remplir", s, next);
        s = next;
    }
    h.markSaved();
    EXPECT_TRUE(h.atSaved());
    h.undo();
    h.undo();
    EXPECT_FALSE(h.atSaved());
    EXPECT_EQ(undoCaption(h), "&Annuler Remplir");
    EXPECT_EQ(redoCaption(h), "&Rétablir Remplir");
    h.record("Miroir horizontal", s, withNewFrame(s, 0, 0x00ff00));
    EXPECT_FALSE(h.canRedo());
    EXPECT_EQ(redoCaption(h), "&Rétablir");
    EXPECT_EQ(undoCaption(h), "&Annuler Miroir horizontal");
    EXPECT_FALSE(h.atSaved());
    h.undo();
    EXPECT_FALSE(h.atSaved());
    h.undo();
    EXPECT_FALSE(h.canUndo());
    EXPECT_EQ(undoCaption(h), "&Annuler");
}

TEST(History, aWriteBackAloneIsNoChange)
{
    Document d;
    d.fill({1, 2});
    d.paint(0x00ff00);
    const DocumentState pending = d.child.captureState();
    d.child.EcritCadre();
    EXPECT_TRUE(sameDocument(pending, d.child.captureState()));
    d.child.Suivant();
    EXPECT_FALSE(sameDocument(pending, d.child.captureState()));  // another frame shown
}

TEST(DocumentHistory, propertiesUndoGivesEveryFrameItsOwnDelayBack)
{
    Document d;
    d.fill({1, 2, 3});
    TChild& c = d.child;
    c.ImageList1.setDelay(0, 10);
    c.ImageList1.setDelay(2, 200);
    d.prompts.properties = {{4, 55, true}};
    c.Params();
    EXPECT_EQ(c.frameDelays(), (std::vector<int>{55, 55, 55}));
    EXPECT_EQ(undoCaption(c.history()), "&Annuler Propriétés");
    c.Annule();
    EXPECT_EQ(c.frameDelays(), (std::vector<int>{10, 30, 200}));
    EXPECT_EQ(c.RepeatCount, 0);
    EXPECT_FALSE(c.TransparentBackground);
    EXPECT_TRUE(c.statusText().endsWith(" - 0,10 s"));
    c.Retablit();
    EXPECT_EQ(c.frameDelays(), (std::vector<int>{55, 55, 55}));
    EXPECT_EQ(c.RepeatCount, 4);
    EXPECT_TRUE(c.loopExtension);
}

TEST(DocumentHistory, savingKeepsTheHistoryAndUndoingBackToTheSaveClearsModified)
{
    QTemporaryDir dir;
    Document d;
    d.fill({1, 2});
    TChild& c = d.child;
    c.MiroirV();
    d.prompts.saveFile = dir.filePath("a.gif");
    ASSERT_TRUE(c.Sauve(0));
    EXPECT_TRUE(c.history().canUndo());
    d.paint(0x00ff00);
    EXPECT_TRUE(c.Modified);
    c.Annule();
    EXPECT_FALSE(c.Modified);  // as saved
    c.Annule();
    EXPECT_TRUE(c.Modified);
    c.Retablit();
    EXPECT_FALSE(c.Modified);
    EXPECT_TRUE(c.FormCloseQuery());
    EXPECT_TRUE(d.prompts.asked.isEmpty());  // nothing to save

    // Opening a file starts a new history.
    c.Charge(dir.filePath("a.gif"));
    EXPECT_FALSE(c.history().canUndo() || c.history().canRedo());
}

TEST(DocumentHistory, undoingAWizardBringsThePreviousAnimationBack)
{
    QTemporaryDir dir;
    Document d;
    d.fill({1, 2, 3});
    TChild& c = d.child;
    c.FileName = "/tmp/before.gif";
    c.FrameDelay = 40;
    const QSize area = c.pictureArea();
    const QString png = dir.filePath("p.png");
    ASSERT_TRUE(solid(5, 5, 0x00ff00).save(png));
    AnimationWizardResult wizard;
    wizard.files << png << png;
    wizard.delay = 12;
    d.prompts.answers = {Answer::No};
    c.buildAnimation(wizard);
    ASSERT_EQ(c.ImageList1.count(), 2);
    EXPECT_EQ(undoCaption(c.history()), "&Annuler Animation");
    c.Annule();
    EXPECT_EQ(c.ImageList1.count(), 3);
    EXPECT_EQ(c.ImageList1.frameSize(), QSize(4, 3));
    EXPECT_EQ(c.pictureArea(), area);
    EXPECT_EQ(c.FileName, "/tmp/before.gif");
    EXPECT_EQ(c.FrameDelay, 40);
    EXPECT_EQ(d.shown(), 1u);
    c.Retablit();
    EXPECT_EQ(c.ImageList1.count(), 2);
    EXPECT_EQ(c.FrameDelay, 12);
    EXPECT_TRUE(c.FileName.isEmpty());
}

TEST(DocumentHistory, aBrushStrokeIsOneStepAndACancelledDialogNone)
{
    Document d;
    d.fill({0xffffff}, 8, 8);
    TChild& c = d.child;
    c.Pinceau();
    c.Image1MouseDown(Qt::LeftButton, 0, 1);
    for (int x = 1; x < 6; ++x)
        c.Image1MouseMove(x, 1);
    c.Image1MouseUp(Qt::LeftButton, 5, 1);
    EXPECT_EQ(c.history().count(), 1);
    EXPECT_EQ(c.history().undoName(), "Pinceau");
    c.Rotation();  // cancelled
    c.Deplacer();  // cancelled
    c.Taille();    // cancelled
    c.Speciaux();  // cancelled: marks the frame, changes nothing to undo
    EXPECT_EQ(c.history().count(), 1);
    c.Annule();
    EXPECT_EQ(c.picture().pixel(3, 1), qRgb(255, 255, 255));
    c.Retablit();
    EXPECT_EQ(c.picture().pixel(3, 1), qRgb(0, 0, 0));
}

// 200 effects over the whole frame on 100 frames of 640 x 480: the history
// stays within its limit, and the latest steps still undo.
TEST(DocumentHistory, manyFullFrameEffectsStayWithinTheLimit)
{
    struct Inverting : test::ScriptedPrompts {
        QImage runEffects(const QImage& picture) override
        {
            QImage result = picture.copy();
            result.invertPixels();
            return result;
        }
    };
    Inverting prompts;
    SystemClipboard clipboard;
    TChild c(prompts, clipboard);
    const std::int64_t frameBytes = 640 * 480 * 4;
    const std::int64_t limit = 40 * frameBytes;
    c.history().setLimit(limit);
    std::vector<QImage> frames;
    for (int i = 0; i < 100; ++i)
        frames.push_back(solid(640, 480, unsigned(i)));
    c.ImageList1.assign(std::move(frames), QSize(640, 480));
    c.NewFrame = false;
    c.LitCadre();
    std::int64_t most = 0;
    for (int i = 0; i < 200; ++i) {
        c.Speciaux();
        c.Suivant();
        if (c.CurrentIndex == 99 && i % 100 == 99)
            c.Premier();
        most = std::max(most, c.history().bytesBeyond(c.captureState()));
    }
    EXPECT_LE(most, limit);
    EXPECT_GE(c.history().count(), 30);
    // The latest effect was on frame 99 (inverted twice: its own colour).
    c.Annule();
    EXPECT_EQ(c.CurrentIndex, 99);
    EXPECT_EQ(c.picture().pixel(0, 0) & 0xffffffu, 99u ^ 0xffffffu);
    c.Retablit();
    EXPECT_EQ(c.picture().pixel(0, 0) & 0xffffffu, 99u);
}

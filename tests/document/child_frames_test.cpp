// The strip's operations on the document: each one step of the history,
// the selection and the current frame following the frames.
#include "common/error.h"
#include "document/scripted.h"

#include <gtest/gtest.h>

using namespace orugif;
using orugif::test::Document;

namespace {

// Six frames of colours 1..6 (blue channel), delays 10..15.
void fillSix(Document& d)
{
    d.fill({1, 2, 3, 4, 5, 6});
    for (int i = 0; i < 6; ++i)
        d.child.ImageList1.setDelay(i, 10 + i);
}

std::vector<unsigned> colours(const Document& d)
{
    std::vector<unsigned> c;
    for (int i = 0; i < d.child.ImageList1.count(); ++i)
        c.push_back(d.colourOf(i));
    return c;
}

struct OpCase {
    const char* name;
    std::function<void(TChild&)> run;
    std::vector<unsigned> colours;
    std::vector<int> delays;
    std::vector<int> selection;
    unsigned currentColour;
};

class ChildFrames : public ::testing::TestWithParam<OpCase> {};

} // namespace

// Each operation is one step: undo gives back the six frames and their
// delays, redo the result; the current frame (colour 3 before) follows.
TEST_P(ChildFrames, isOneStepThatUndoesAndRedoes)
{
    const OpCase& c = GetParam();
    Document d;
    fillSix(d);
    d.child.goToFrame(2);
    const int steps = d.child.history().count();
    c.run(d.child);
    EXPECT_EQ(d.child.history().count(), steps + 1);
    EXPECT_EQ(colours(d), c.colours);
    EXPECT_EQ(d.child.frameDelays(), c.delays);
    EXPECT_EQ(d.child.selectedFrames(), c.selection);
    EXPECT_EQ(d.child.picture().pixel(0, 0) & 0xffffffu, c.currentColour);
    EXPECT_TRUE(d.child.Modified);

    d.child.Annule();
    EXPECT_EQ(colours(d), (std::vector<unsigned>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(d.child.frameDelays(), (std::vector<int>{10, 11, 12, 13, 14, 15}));
    EXPECT_EQ(d.child.picture().pixel(0, 0) & 0xffffffu, 3u);
    d.child.Retablit();
    EXPECT_EQ(colours(d), c.colours);
    EXPECT_EQ(d.child.frameDelays(), c.delays);
}

INSTANTIATE_TEST_SUITE_P(
    Operations, ChildFrames,
    ::testing::Values(
        OpCase{"move", [](TChild& c) { c.moveFrames({1, 2}, 5); }, {1, 4, 5, 2, 3, 6}, {10, 13, 14, 11, 12, 15},
               {3, 4}, 3},
        OpCase{"deleteTheCurrent", [](TChild& c) { c.deleteFrames({2, 3}); }, {1, 2, 5, 6}, {10, 11, 14, 15}, {}, 5},
        OpCase{"delay", [](TChild& c) { c.setFramesDelay({0, 1}, 4); }, {1, 2, 3, 4, 5, 6}, {4, 4, 12, 13, 14, 15},
               {0, 1}, 3},
        OpCase{"speed", [](TChild& c) { c.changeSpeed({0, 1, 2, 3}, 200); }, {1, 2, 3, 4, 5, 6},
               {5, 6, 6, 6, 14, 15}, {0, 1, 2, 3}, 3},
        OpCase{"dropEverySecond", [](TChild& c) { c.dropEveryNth({0, 1, 2, 3, 4, 5}, 2); }, {1, 3, 5},
               {21, 25, 29}, {0, 1, 2}, 3},
        OpCase{"duplicate", [](TChild& c) { c.duplicateFrames({0, 2}); }, {1, 2, 3, 1, 3, 4, 5, 6},
               {10, 11, 12, 10, 12, 13, 14, 15}, {3, 4}, 3},
        OpCase{"reverse", [](TChild& c) { c.reverseFrames({1, 2, 3}); }, {1, 4, 3, 2, 5, 6},
               {10, 13, 12, 11, 14, 15}, {1, 2, 3}, 3}),
    [](const ::testing::TestParamInfo<OpCase>& info) { return std::string(info.param.name); });

// A pending edit of the current frame goes into the store before the
// frames move, and moves with its frame.
TEST(ChildFramesEdit, aPendingEditMovesWithItsFrame)
{
    Document d;
    fillSix(d);
    d.child.goToFrame(1);
    d.child.Pinceau();
    d.child.Image1MouseDown(Qt::LeftButton, 0, 0);
    d.child.Image1MouseMove(2, 0);
    d.child.Image1MouseUp(Qt::LeftButton, 2, 0);
    d.child.moveFrames({1}, 6);
    EXPECT_EQ(d.child.CurrentIndex, 5);
    EXPECT_EQ(d.colourOf(5), 0u);  // the brush's black
    EXPECT_EQ(d.child.ImageList1.frame(5).pixel(3, 2) & 0xffffffu, 2u);
}

// A frame that keeps the animation's delay keeps following it when the
// frames move; the frames given a delay take it as their own.
TEST(ChildFramesEdit, framesOnTheAnimationsDelayKeepIt)
{
    Document d;
    d.fill({1, 2, 3});
    d.child.moveFrames({0}, 3);
    EXPECT_EQ(d.child.ImageList1.delay(0), FrameStore::kAnimationDelay);
    d.child.setFramesDelay({1}, 30);  // the animation's delay: nothing to do
    EXPECT_FALSE(d.child.history().undoName() == "Durée des cadres");
    d.child.setFramesDelay({1}, 40);
    EXPECT_EQ(d.child.ImageList1.delays(), (std::vector<int>{-1, 40, -1}));
}

TEST(ChildFramesEdit, deletingEveryFrameLeavesAnEmptyDocumentThatUndoes)
{
    Document d;
    fillSix(d);
    d.child.deleteFrames({0, 1, 2, 3, 4, 5});
    EXPECT_TRUE(d.child.ImageList1.isEmpty());
    EXPECT_TRUE(d.child.picture().isNull());
    EXPECT_EQ(d.child.statusText(), "Aucun cadre");
    d.child.Annule();
    EXPECT_EQ(d.child.ImageList1.count(), 6);
}

TEST(ChildFramesEdit, badValuesAreRefusedBeforeAnythingChanges)
{
    Document d;
    fillSix(d);
    EXPECT_THROW(d.child.setFramesDelay({0}, 70000), Error);
    EXPECT_THROW(d.child.changeSpeed({0}, 0), Error);
    EXPECT_THROW(d.child.dropEveryNth({0, 1}, 1), Error);
    EXPECT_THROW(d.child.moveFrames({0}, 7), Error);
    EXPECT_EQ(d.child.history().count(), 0);
    EXPECT_EQ(d.child.frameDelays(), (std::vector<int>{10, 11, 12, 13, 14, 15}));
}

// The context menu's questions act on the selection, or on the current
// frame when nothing is selected; a cancel changes nothing.
TEST(ChildFramesEdit, theQuestionsActOnTheSelectionOrTheCurrentFrame)
{
    Document d;
    fillSix(d);
    d.child.goToFrame(4);
    d.prompts.framesDelay = 2;
    d.child.DureeDesCadres();
    EXPECT_EQ(d.prompts.framesAsked, 1);
    EXPECT_EQ(d.child.frameDelay(4), 2);
    d.child.setSelectedFrames({0, 1, 9});
    EXPECT_EQ(d.child.selectedFrames(), (std::vector<int>{0, 1}));
    d.prompts.speed = 50;
    d.child.VitesseDesCadres();
    EXPECT_EQ(d.prompts.framesAsked, 2);
    EXPECT_EQ(d.child.frameDelays(), (std::vector<int>{20, 22, 12, 13, 2, 15}));
    d.prompts.dropEvery = -1;
    const int steps = d.child.history().count();
    d.child.SupprimerUnSurN();
    EXPECT_EQ(d.child.history().count(), steps);
}

namespace {

// Six frames of 4 x 4, each one colour with a white top-left pixel.
void fillMarked(Document& d)
{
    fillSix(d);
    std::vector<QImage> frames;
    for (int i = 0; i < 6; ++i) {
        QImage f = testsupport::solid(4, 4, unsigned(0x102030 * (i + 1)));
        f.setPixel(0, 0, qRgb(255, 255, 255));
        frames.push_back(f);
    }
    d.child.ImageList1.assign(frames, QSize(4, 4), d.child.ImageList1.delays());
    d.child.goToFrame(2);
}

struct SelectionCase {
    const char* name;
    std::function<void(Document&)> run;
    const char* step;
};

class OnTheSelection : public ::testing::TestWithParam<SelectionCase> {};

} // namespace

// With frames 2, 3 and 5 selected, the operation changes those three
// frames and no other, as one step that undoes all three.
TEST_P(OnTheSelection, changesTheSelectedFramesAndNoOtherInOneStep)
{
    const SelectionCase& c = GetParam();
    Document d;
    fillMarked(d);
    const std::vector<QImage> before = d.child.ImageList1.frames();
    d.child.setSelectedFrames({1, 2, 4});
    const int steps = d.child.history().count();
    c.run(d);
    EXPECT_EQ(d.child.history().count(), steps + 1);
    EXPECT_EQ(d.child.history().undoName(), c.step);
    for (int i = 0; i < 6; ++i) {
        const bool selected = i == 1 || i == 2 || i == 4;
        EXPECT_EQ(d.child.ImageList1.frame(i) != before[std::size_t(i)], selected) << "frame " << i + 1;
    }
    EXPECT_EQ(d.child.picture(), d.child.ImageList1.frame(2));  // the current frame shows its change
    d.child.Annule();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(d.child.ImageList1.frame(i), before[std::size_t(i)]) << "frame " << i + 1;
}

INSTANTIATE_TEST_SUITE_P(
    Operations, OnTheSelection,
    ::testing::Values(
        SelectionCase{"effect", [](Document& d) {
                          d.prompts.effectSteps = {17};  // "Inverser"
                          d.child.Speciaux();
                      }, "Effets spéciaux"},
        SelectionCase{"mirror", [](Document& d) { d.child.MiroirV(); }, "Miroir vertical"},
        SelectionCase{"rotation", [](Document& d) {
                          d.prompts.rotation = 2;
                          d.child.Rotation();
                      }, "Rotation"},
        SelectionCase{"move", [](Document& d) {
                          d.prompts.move = QPoint(1, 1);
                          d.child.Deplacer();
                      }, "Déplacer"}),
    [](const ::testing::TestParamInfo<SelectionCase>& info) { return std::string(info.param.name); });

// The effects the others go through are the ones the dialog applied: an
// inverted frame, inverted once.
TEST(ChildFramesEdit, theOtherSelectedFramesGoThroughTheSameEffects)
{
    Document d;
    fillMarked(d);
    d.child.setSelectedFrames({0, 2});
    d.prompts.effectSteps = {17};
    d.child.Speciaux();
    EXPECT_EQ(d.child.ImageList1.frame(0).pixel(1, 1) & 0xffffffu, 0xffffffu ^ 0x102030u);
    EXPECT_EQ(d.child.ImageList1.frame(0).pixel(0, 0) & 0xffffffu, 0u);
}

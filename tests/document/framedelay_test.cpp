// Each frame keeps its own delay: through opening and saving, through every
// operation on the frame list, and against the properties dialog's "Durée".
#include "common/error.h"
#include "document/scripted.h"
#include "gif/extensions.h"
#include "gif/gifimage.h"
#include "support/reference.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orugif;
using orugif::test::Document;

namespace {

const std::vector<int> kAuthored{10, 50, 10, 200};

std::vector<int> delaysOf(const TChild& c)
{
    std::vector<int> delays;
    for (int i = 0; i < c.ImageList1.count(); ++i)
        delays.push_back(c.frameDelay(i));
    return delays;
}

// The delays written in a file, read with the codec.
std::vector<int> delaysIn(const QString& path)
{
    gif::TGIFImage image;
    image.LoadFromFile(path);
    std::vector<int> delays;
    for (const auto& sub : image.Images())
        delays.push_back(sub->GraphicControlExtension() ? sub->GraphicControlExtension()->DelayTime() : -1);
    return delays;
}

// Four frames of different colours with the authored delays.
void fillAuthored(Document& d)
{
    d.fill({0xff0000, 0x00ff00, 0x0000ff, 0xffff00}, 6, 5);
    for (int i = 0; i < 4; ++i)
        d.child.ImageList1.setDelay(i, kAuthored[std::size_t(i)]);
}

} // namespace

TEST(FrameDelays, anOpenedAnimationKeepsEachFramesDelayThroughAnEditAndASave)
{
    if (!testsupport::havePillow())
        GTEST_SKIP() << "Pillow is not installed";
    QTemporaryDir dir;
    const QString in = dir.filePath("in.gif"), out = dir.filePath("out.gif");
    // Written by an independent encoder, durations in milliseconds.
    ASSERT_TRUE(testsupport::runPython(
        "import sys\nfrom PIL import Image\n"
        "frames=[Image.new('RGB',(8,6),c) for c in [(255,0,0),(0,255,0),(0,0,255),(255,255,0)]]\n"
        "frames[0].save(sys.argv[1],save_all=True,append_images=frames[1:],duration=[100,500,100,2000],loop=0)\n",
        {in}));
    Document d;
    d.child.Charge(in);
    EXPECT_EQ(delaysOf(d.child), kAuthored);
    EXPECT_TRUE(d.child.statusText().endsWith(" - 0,10 s"));
    d.child.Suivant();
    EXPECT_TRUE(d.child.statusText().endsWith(" - 0,50 s"));
    d.paint(0x000000);  // an edit of frame 2
    d.prompts.saveFile = out;
    ASSERT_TRUE(d.child.Sauve(1));
    EXPECT_EQ(delaysIn(out), kAuthored);
    EXPECT_EQ(testsupport::composeWithPillow(out).durations, (std::vector<int>{100, 500, 100, 2000}));

    Document e;
    e.child.Charge(out);
    EXPECT_EQ(delaysOf(e.child), kAuthored);
}

TEST(FrameDelays, aNewDureeInThePropertiesSetsEveryFrameAndTheSameOneKeepsThem)
{
    Document d;
    fillAuthored(d);
    d.child.FrameDelay = 10;
    d.prompts.properties = {0, 10, false};
    d.child.Params();
    EXPECT_EQ(delaysOf(d.child), kAuthored);
    d.prompts.properties = {0, 25, false};
    d.child.Params();
    EXPECT_EQ(delaysOf(d.child), (std::vector<int>{25, 25, 25, 25}));
    // A frame added later takes the animation's delay.
    d.child.Ajouter();
    d.paint(0x123456);
    d.child.EcritCadre();
    EXPECT_EQ(delaysOf(d.child), (std::vector<int>{25, 25, 25, 25, 25}));
    gif::TGIFImage image;
    d.child.MakeGif(image);
    EXPECT_EQ(image.Images()[4]->GraphicControlExtension()->DelayTime(), 25);
}

TEST(FrameDelays, theCurrentFramesDelayIsSetRefusedOutOfRangeAndUndone)
{
    Document d;
    fillAuthored(d);
    d.child.Suivant();
    d.prompts.frameDelay = 75;
    d.child.DureeCadre();
    EXPECT_EQ(d.prompts.delayShown, 50);
    EXPECT_EQ(delaysOf(d.child), (std::vector<int>{10, 75, 10, 200}));
    EXPECT_TRUE(d.child.Modified);
    EXPECT_TRUE(d.child.statusText().endsWith(" - 0,75 s"));
    d.child.Annule();
    EXPECT_EQ(delaysOf(d.child), kAuthored);
    d.prompts.frameDelay = -1;  // cancelled
    d.child.DureeCadre();
    EXPECT_EQ(delaysOf(d.child), kAuthored);
    EXPECT_THROW(d.child.setFrameDelay(1, 65536), Error);
    EXPECT_THROW(d.child.setFrameDelay(4, 10), Error);
    EXPECT_EQ(delaysOf(d.child), kAuthored);
}

struct FrameListCase {
    const char* name;
    std::function<void(Document&)> operation;
    std::vector<int> delays;  // after it; 30 is the animation's delay
};

class FrameListDelays : public ::testing::TestWithParam<FrameListCase> {};

TEST_P(FrameListDelays, eachOperationCarriesTheDelaysWithTheFrames)
{
    Document d;
    fillAuthored(d);
    d.child.CurrentIndex = 1;
    d.child.LitCadre();
    GetParam().operation(d);
    EXPECT_EQ(delaysOf(d.child), GetParam().delays);
    // What is built for saving carries them too.
    gif::TGIFImage image;
    d.child.MakeGif(image);
    std::vector<int> written;
    for (const auto& sub : image.Images())
        written.push_back(sub->GraphicControlExtension()->DelayTime());
    EXPECT_EQ(written, GetParam().delays);
}

INSTANTIATE_TEST_SUITE_P(
    Operations, FrameListDelays,
    ::testing::Values(
        FrameListCase{"delete", [](Document& d) { d.child.Supprimer(); }, {10, 10, 200}},
        FrameListCase{"cut", [](Document& d) { d.child.Couper(); }, {10, 10, 200}},
        FrameListCase{"reverse", [](Document& d) { d.child.Inverser(); }, {200, 10, 50, 10}},
        FrameListCase{"reorder", [](Document& d) { d.child.reorderFrames({3, 0, 2}); }, {200, 10, 10}},
        FrameListCase{"insert", [](Document& d) { d.child.Insere(); }, {10, 30, 50, 10, 200}},
        FrameListCase{"paste",
                      [](Document& d) {
                          d.child.Copier();
                          d.child.Suivant();
                          d.child.Coller();
                          d.child.EcritCadre();
                      },
                      {10, 50, 10, 200}},
        FrameListCase{"transitionAfter",
                      [](Document& d) {
                          d.prompts.transition = {0, 2};
                          d.child.TransApres();
                      },
                      {10, 50, 30, 30, 10, 200}},
        FrameListCase{"resize",
                      [](Document& d) {
                          d.prompts.resize = {3, 3};
                          d.child.Taille();
                      },
                      {10, 50, 10, 200}}),
    [](const auto& info) { return std::string(info.param.name); });

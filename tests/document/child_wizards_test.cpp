// The wizards' work on the document, through scripted wizard results: what
// a cancel leaves, how pictures fit the frame size, what a failure leaves,
// and the banner's size, frame count and effects.
#include "common/error.h"
#include "document/child.h"
#include "scripted.h"
#include "support/testsupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orugif;
using orugif::test::Document;

namespace {

QString picture(const QTemporaryDir& dir, const QString& name, int w, int h, unsigned rgb, const char* format = nullptr)
{
    const QString path = dir.filePath(name);
    EXPECT_TRUE(testsupport::solid(w, h, rgb).save(path, format));
    return path;
}

// A document with one edited frame, so that its state is easy to compare.
void edited(Document& d)
{
    d.fill({7, 8});
    d.child.FileName = "/tmp/mine.gif";
    d.child.Modified = true;
}

} // namespace

TEST(AnimationWizard, nothingChosenOrTheSaveQuestionCancelledLeavesTheDocument)
{
    QTemporaryDir dir;
    Document d;
    edited(d);
    d.child.buildAnimation({});  // "Annuler", the close box, or an empty list
    AnimationWizardResult wizard;
    wizard.files << picture(dir, "a.png", 4, 3, 0xff0000);
    d.prompts.answers = {Answer::Cancel};
    d.child.buildAnimation(wizard);
    EXPECT_EQ(d.prompts.asked, QStringList{"Enregistrer modifications dans mine.gif ?"});
    EXPECT_EQ(d.child.ImageList1.count(), 2);
    EXPECT_EQ(d.child.FileName, "/tmp/mine.gif");
    EXPECT_TRUE(d.child.Modified);
    EXPECT_EQ(d.shown(), 7u);
}

TEST(AnimationWizard, picturesSitAtTheTopLeftOfFramesOfTheChosenSize)
{
    QTemporaryDir dir;
    Document d;
    AnimationWizardResult wizard;
    wizard.sizeMode = 1;  // 100 x 100
    wizard.repeatCount = 3;
    wizard.delay = 15;
    wizard.transparent = true;
    wizard.files << picture(dir, "big.jpg", 300, 200, 0x0000ff, "JPG") << picture(dir, "small.png", 50, 50, 0x00ff00);
    d.child.buildAnimation(wizard);
    ASSERT_EQ(d.child.ImageList1.count(), 2);
    EXPECT_EQ(d.child.ImageList1.frameSize(), QSize(100, 100));
    EXPECT_GT(qBlue(d.child.ImageList1.frame(0).pixel(99, 99)), 240);  // cut, still blue
    EXPECT_LT(qRed(d.child.ImageList1.frame(0).pixel(99, 99)), 16);
    EXPECT_EQ(d.child.ImageList1.frame(1).pixel(49, 49), qRgb(0, 255, 0));
    EXPECT_EQ(d.child.ImageList1.frame(1).pixel(50, 50), qRgb(255, 255, 255));
    EXPECT_EQ(d.child.RepeatCount, 3);
    EXPECT_EQ(d.child.FrameDelay, 15);
    EXPECT_TRUE(d.child.TransparentBackground);
    EXPECT_TRUE(d.child.Modified);  // closing asks before the new animation is lost
    EXPECT_EQ(d.child.CurrentIndex, 0);

    // The first picture's size otherwise; a bitmap in a folder named like a
    // GIF is still read as the bitmap it is.
    QDir(dir.path()).mkdir("x.gif");
    AnimationWizardResult first;
    first.files << picture(dir, "x.gif/f.bmp", 20, 10, 0xff0000, "BMP") << picture(dir, "b.png", 30, 30, 0x0000ff);
    d.child.Modified = false;
    d.child.buildAnimation(first);
    ASSERT_EQ(d.child.ImageList1.count(), 2);
    EXPECT_EQ(d.child.ImageList1.frameSize(), QSize(20, 10));
    EXPECT_EQ(d.child.ImageList1.frame(1).pixel(19, 9), qRgb(0, 0, 255));
}

TEST(AnimationWizard, aPictureThatFailsIsNamedAndNothingIsBuilt)
{
    QTemporaryDir dir;
    Document d;
    edited(d);
    d.child.Modified = false;
    AnimationWizardResult wizard;
    wizard.files << picture(dir, "good.png", 4, 4, 0xff0000) << dir.filePath("missing.png");
    try {
        d.child.buildAnimation(wizard);
        ADD_FAILURE() << "built";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("missing.png")) << e.message().toStdString();
    }
    EXPECT_EQ(d.child.ImageList1.count(), 2);
    EXPECT_EQ(d.child.FileName, "/tmp/mine.gif");
}

TEST(BannerWizard, theSizeModeFramesAndEffectsAsChosen)
{
    Document d;
    BannerWizardResult banner;
    banner.text = QString::fromUtf8("Été 東京 🎉");
    banner.width = 200;  // changed under "Taille prédéfinie", then the standard size chosen again
    banner.effect = "Clignotement";
    banner.frames = 2;
    d.child.buildBanner(banner);
    ASSERT_EQ(d.child.ImageList1.count(), 2);
    EXPECT_EQ(d.child.ImageList1.frameSize(), QSize(468, 60));
    EXPECT_EQ(testsupport::countPixels(d.child.ImageList1.frame(1), qRgb(255, 255, 255)), 468 * 60);
    EXPECT_LT(testsupport::countPixels(d.child.ImageList1.frame(0), qRgb(255, 255, 255)), 468 * 60);
    EXPECT_EQ(d.child.FrameDelay, 10);

    banner.frames = 1001;
    EXPECT_THROW(d.child.buildBanner(banner), Error);
    EXPECT_EQ(d.child.ImageList1.count(), 2);
    banner.frames = 0;
    banner.sizeMode = 1;
    banner.height = 40;
    d.child.Modified = false;
    d.child.buildBanner(banner);
    EXPECT_EQ(d.child.ImageList1.count(), 0);
    EXPECT_EQ(d.child.ImageList1.frameSize(), QSize(200, 40));
}

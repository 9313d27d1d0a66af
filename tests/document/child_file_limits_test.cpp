// Saving and exporting when the disk refuses the bytes, output names that
// decide the format, and openings that run out of memory or would need too
// much of it: the user's files and the open document are never lost.
#include "common/error.h"
#include "common/limits.h"
#include "document/picturefile.h"
#include "document/scripted.h"
#include "formats/manifest.h"
#include "gif/compose.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

using namespace orugif;
using orugif::test::Document;

namespace {

QString crasher(const QString& name) { return testsupport::testfile("data/crashers/" + name); }

// A document of two 48 x 48 frames of noise: every output is over 1 KB.
void fillWithNoise(Document& d)
{
    d.child.ImageList1.assign({}, QSize(48, 48));
    d.child.ImageList1.add(testsupport::noise(48, 48, 1));
    d.child.ImageList1.add(testsupport::noise(48, 48, 2));
    d.child.NewFrame = false;
    d.child.CurrentIndex = 0;
    d.child.LitCadre();
}

// Restores the composer's copy when a test has replaced it.
struct FailingCopies {
    explicit FailingCopies(int failAt)
    {
        gif::CopyComposedFrame = [this, failAt](const QImage& canvas) {
            return ++copies == failAt ? QImage() : canvas.copy();
        };
    }
    ~FailingCopies() { gif::CopyComposedFrame = gif::CopyCanvas; }
    int copies = 0;
};

} // namespace

// --- a full disk -------------------------------------------------------------

class FullDisk : public ::testing::TestWithParam<const char*> {};

TEST_P(FullDisk, keepsTheExistingFileAndReportsTheSystemsReason)
{
    QTemporaryDir dir;
    const QString name = QString::fromLatin1(GetParam());
    const QString out = dir.filePath(name);
    const QByteArray previous(1200, 'x');
    ASSERT_TRUE(testsupport::writeBytes(out, previous));
    Document d;
    fillWithNoise(d);
    const int outcome = testsupport::withFileSizeLimit(1024, [&] {
        try {
            if (name.startsWith("anim")) {
                d.child.FileName = out;
                d.child.Sauve(0);
            } else {
                d.child.exportPicture(out);
            }
        } catch (const Error& e) {
            return e.message().contains("Impossible d'écrire le fichier") && e.message().contains(name)
                        && e.message().contains("fichier trop volumineux")
                    ? 0
                    : 2;
        }
        return 1;  // reported as a success
    });
    EXPECT_EQ(outcome, 0) << "1: the failure was reported as a success; 2: another message";
    EXPECT_EQ(formatstest::readFile(out), previous);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name}) << "nothing left aside";

    // Without the limit the same save replaces the file.
    if (name.startsWith("anim")) {
        d.child.FileName = out;
        d.child.Sauve(0);
    } else {
        d.child.exportPicture(out);
    }
    EXPECT_GT(QFileInfo(out).size(), 1024);
}

INSTANTIATE_TEST_SUITE_P(SaveAndExports, FullDisk,
                         ::testing::Values("anim.gif", "frame.gif", "frame.bmp", "frame.jpg", "frame.pcx", "frame.png"),
                         [](const auto& info) { return formatstest::testName(QString::fromLatin1(info.param)); });

// --- output names ------------------------------------------------------------

class ExportName : public ::testing::TestWithParam<const char*> {};

TEST_P(ExportName, outsideTheWrittenFormatsIsRefusedBeforeAnyQuestion)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QString::fromLatin1(GetParam()));
    ASSERT_TRUE(testsupport::writeBytes(out, "keep"));
    Document d;
    fillWithNoise(d);
    d.prompts.exportFile = out;
    d.prompts.answers = {Answer::Yes};
    try {
        d.child.Exporter();
        ADD_FAILURE() << "exported";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains(".gif, .bmp, .jpg, .jpeg, .jpe, .pcx, .png")) << e.what();
    }
    EXPECT_TRUE(d.prompts.asked.isEmpty());
    EXPECT_EQ(formatstest::readFile(out), "keep");
    EXPECT_THROW(d.child.exportPicture(out), Error);
    EXPECT_EQ(formatstest::readFile(out), "keep");
}

INSTANTIATE_TEST_SUITE_P(Unsupported, ExportName, ::testing::Values("x.tif", "x.dib", "x.jfif", "x.gif.txt", "x.webp"),
                         [](const auto& info) { return formatstest::testName(QString::fromLatin1(info.param)); });

TEST(ExportPng, isAPngFileThatAnIndependentReaderDecodes)
{
    QTemporaryDir dir;
    Document d;
    fillWithNoise(d);
    const QString out = dir.filePath("frame.png");
    d.child.exportPicture(out);
    const QImage expected = d.child.ImageList1.frame(0);
    QProcess python;
    python.start("/usr/bin/python3", {"-c", "import sys; from PIL import Image; im = Image.open(sys.argv[1]); "
                                            "print(im.format, im.size[0], im.size[1], *im.convert('RGB').getpixel((7, 5)))",
                                      out});
    if (!python.waitForFinished() || python.exitCode() != 0)
        GTEST_SKIP() << "Pillow for /usr/bin/python3 is missing";
    const QRgb p = expected.pixel(7, 5);
    EXPECT_EQ(QString::fromLatin1(python.readAllStandardOutput()).trimmed(),
              QString("PNG 48 48 %1 %2 %3").arg(qRed(p)).arg(qGreen(p)).arg(qBlue(p)));
}

// --- opening -----------------------------------------------------------------

class OpeningOutOfMemory : public ::testing::TestWithParam<int> {};

TEST_P(OpeningOutOfMemory, isReportedAndLeavesTheOpenAnimation)
{
    QTemporaryDir dir;
    Document source;
    source.fill({0xff0000, 0x00ff00, 0x0000ff, 0xffffff, 0}, 6, 4);
    source.prompts.saveFile = dir.filePath("five.gif");
    ASSERT_TRUE(source.child.Sauve(0));

    Document d;
    d.fill({0x999933, 0x333399}, 3, 3);
    d.child.FileName = dir.filePath("mine.gif");
    d.child.Modified = false;
    {
        FailingCopies failing(GetParam());
        try {
            d.child.Charge(dir.filePath("five.gif"));
            ADD_FAILURE() << "opened";
        } catch (const Error& e) {
            EXPECT_TRUE(e.message().startsWith("Mémoire insuffisante")) << e.what();
        }
        EXPECT_EQ(failing.copies, GetParam());
    }
    EXPECT_EQ(d.child.ImageList1.count(), 2);
    EXPECT_EQ(d.child.ImageList1.frameSize(), QSize(3, 3));
    EXPECT_EQ(d.colourOf(1), 0x333399u);
    EXPECT_EQ(d.child.FileName, dir.filePath("mine.gif"));

    d.child.Charge(dir.filePath("five.gif"));  // memory back: every frame
    EXPECT_EQ(d.child.ImageList1.count(), 5);
}

// The first, a middle and the last frame's copy fail.
INSTANTIATE_TEST_SUITE_P(AtFrame, OpeningOutOfMemory, ::testing::Values(1, 3, 5));

TEST(OpeningLimits, anAnimationLargerThanTheMemoryLimitIsRefusedBeforeComposing)
{
    // 45 KB: 3,000 one-pixel frames on a 1000 x 1000 screen.
    Document d;
    d.fill({0x999933}, 3, 3);
    FailingCopies counting(0);
    try {
        d.child.Charge(crasher("refused-gif-3000-frames-on-large-screen.gif"));
        ADD_FAILURE() << "opened";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("3000 cadres de 1000 x 1000 pixels demanderaient 11444 Mo")) << e.what();
    }
    EXPECT_EQ(counting.copies, 0) << "no frame composed";
    EXPECT_EQ(d.child.ImageList1.count(), 1);
    EXPECT_LE(animationPixelLimit(), kMaxAnimationPixels);
    EXPECT_GT(animationPixelLimit(), 0);
}

TEST(OpeningLimits, importingAFramePlacedFarOffTheScreenIsRefusedBeforeAllocating)
{
    // 35 bytes: the frame at (65535, 65535) would make a 65536 x 65536 picture.
    Document d;
    d.fill({0x999933}, 3, 3);
    try {
        d.child.importPicture(crasher("refused-gif-frame-far-off-screen.gif"));
        ADD_FAILURE() << "imported";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("65536 x 65536")) << e.what();
    }
    EXPECT_EQ(d.colourOf(0), 0x999933u);
}

TEST(OpeningLimits, aNameHoldingAPercentSequenceStaysAsItIsInTheMessage)
{
    try {
        checkAnimationSize(QStringLiteral("clip%2%1.gif"), 100000, QSize(16384, 16384));
        ADD_FAILURE() << "accepted";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("L'animation clip%2%1.gif est trop grande : 100000 cadres")))
            << e.message().toStdString();
    }
}

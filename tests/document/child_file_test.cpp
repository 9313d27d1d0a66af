// Opening, saving, import and export through real files in a temporary
// folder, with the questions answered by the scripted prompts.
#include "common/error.h"
#include "document/picturefile.h"
#include "document/scripted.h"
#include "formats/manifest.h"
#include "gif/extensions.h"
#include "gif/gifimage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orugif;
using orugif::test::Document;
using testsupport::solid;

namespace {

// Colours of the 216-colour cube survive saving exactly.
constexpr unsigned kRed = 0xff0000, kGreen = 0x00ff00, kBlue = 0x0000ff, kOlive = 0x999933;

QByteArray head(const QString& path, int n = 4)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.read(n) : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

struct Files : ::testing::Test {
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    // A document of three frames 12 x 8, saved to `name`.
    QString saved(const QString& name, Document& d)
    {
        d.fill({kRed, kGreen, kBlue}, 12, 8);
        d.prompts.saveFile = path(name);
        EXPECT_TRUE(d.child.Sauve(0));
        return path(name);
    }
};

} // namespace

TEST_F(Files, aSavedAnimationReopensWithItsFramesAndProperties)
{
    Document d;
    d.child.RepeatCount = 3;
    d.child.FrameDelay = 7;
    d.child.TransparentBackground = true;
    const QString file = saved("anim.gif", d);
    EXPECT_EQ(head(file), "GIF8");
    EXPECT_FALSE(d.child.Modified);
    EXPECT_EQ(d.child.caption(), "anim.gif");

    Document e;
    e.child.Charge(file);
    ASSERT_EQ(e.child.ImageList1.count(), 3);
    EXPECT_EQ(e.child.ImageList1.frameSize(), QSize(12, 8));
    // Transparent corners show the page, in the document's transparent
    // colour; the rest keeps its colour.
    ASSERT_TRUE(e.child.transparentColour);
    const QRgb page = toQRgb(*e.child.transparentColour);
    EXPECT_EQ(e.child.ImageList1.frame(1).pixel(0, 7), page);
    EXPECT_EQ(e.child.ImageList1.frame(0).pixel(0, 7), page);
    EXPECT_EQ(e.child.RepeatCount, 3);
    EXPECT_EQ(e.child.FrameDelay, 7);
    EXPECT_TRUE(e.child.TransparentBackground);
    EXPECT_EQ(e.child.GifVersion, 2);
    EXPECT_EQ(e.child.FileName, file);
    EXPECT_EQ(e.child.statusText(), "Cadre 1 / 3 (12 x 8) - 0,07 s");
    EXPECT_FALSE(e.child.Modified);
    EXPECT_FALSE(e.child.NewFrame);
}

TEST_F(Files, cubeColoursSurviveAndTheCurrentFrameIsWrittenBackFirst)
{
    Document d;
    d.fill({kRed, kGreen}, 10, 6);
    d.child.Suivant();
    d.paint(kOlive);  // shown, not yet in the store
    d.prompts.saveFile = path("edit.gif");
    ASSERT_TRUE(d.child.Sauve(0));
    Document e;
    e.child.Charge(path("edit.gif"));
    EXPECT_EQ(e.colourOf(0), kRed);
    EXPECT_EQ(e.colourOf(1), kOlive);
}

TEST_F(Files, makeGifPutsTheLoopOnTheFirstFrameAndADelayOnEach)
{
    Document d;
    d.fill({kRed, kRed, kBlue}, 8, 8);
    gif::TGIFImage image;
    d.child.MakeGif(image);
    ASSERT_EQ(image.Images().Count(), 3);
    for (int i = 0; i < 3; ++i) {
        const gif::TGIFSubImage& s = *image.Images()[i];
        ASSERT_TRUE(s.GraphicControlExtension()) << i;
        EXPECT_EQ(s.GraphicControlExtension()->DelayTime(), 30);
        EXPECT_EQ(s.Extensions().Count(), i == 0 ? 2 : 1);
    }
    EXPECT_TRUE(dynamic_cast<gif::TGIFAppExtNSLoop*>(image.Images()[0]->Extensions().Items(0)));

    d.child.RemoveLocalPalettes = true;
    d.child.MakeGif(image);
    EXPECT_FALSE(image.GlobalColorMap().Empty());
    EXPECT_TRUE(image.Images()[1]->ColorMap().Empty());

    // Merging and cropping: the repeated second frame leaves nothing to draw.
    d.child.RemoveLocalPalettes = false;
    d.child.MergeDuplicatePixels = d.child.RemoveUselessFrames = true;
    d.child.MakeGif(image);
    EXPECT_LT(image.Images().Count(), 3);
}

TEST_F(Files, openingAskesToSaveChangesFirst)
{
    Document other;
    const QString file = saved("other.gif", other);
    Document d;
    d.fill({kOlive}, 5, 5);
    d.child.FileName = path("mine.gif");
    d.child.Modified = true;

    d.prompts.answers = {Answer::Cancel};
    d.child.Charge(file);
    EXPECT_EQ(d.prompts.asked.last(), "Enregistrer modifications dans mine.gif ?");
    EXPECT_EQ(d.child.FileName, path("mine.gif"));
    EXPECT_EQ(d.child.ImageList1.count(), 1);

    d.prompts.answers = {Answer::Yes};
    d.child.Charge(file);
    EXPECT_TRUE(QFile::exists(path("mine.gif")));
    EXPECT_EQ(d.child.ImageList1.count(), 3);

    d.child.Modified = true;
    d.prompts.answers = {Answer::No};
    d.child.Charge(path("mine.gif"));
    EXPECT_EQ(d.child.ImageList1.count(), 1);
    EXPECT_EQ(d.colourOf(0), kOlive);
}

TEST_F(Files, closingAsksAndAnAbandonedSaveKeepsTheDocumentOpen)
{
    Document d;
    d.fill({kRed}, 4, 4);
    EXPECT_TRUE(d.child.FormCloseQuery());  // nothing to save
    d.child.Modified = true;
    d.prompts.answers = {Answer::Cancel};
    EXPECT_FALSE(d.child.FormCloseQuery());
    d.prompts.answers = {Answer::No};
    EXPECT_TRUE(d.child.FormCloseQuery());
    d.prompts.answers = {Answer::Yes};  // then the save dialog is cancelled
    EXPECT_FALSE(d.child.FormCloseQuery());
    EXPECT_EQ(d.prompts.saveDialogs, 1);
    d.prompts.answers = {Answer::Yes};
    d.prompts.saveFile = path("closing.gif");
    EXPECT_TRUE(d.child.FormCloseQuery());
    EXPECT_TRUE(QFile::exists(path("closing.gif")));
}

TEST_F(Files, saveAsAsksBeforeOverwritingAndPlainSaveDoesNot)
{
    Document d;
    const QString file = saved("a.gif", d);
    const QDateTime first = QFileInfo(file).lastModified();
    d.prompts.saveFile = file;
    d.prompts.answers = {Answer::No};
    EXPECT_FALSE(d.child.Sauve(1));
    EXPECT_EQ(d.prompts.asked.last(), QString::fromUtf8("Ce fichier existe déjà. L'écraser ?"));
    const int questions = int(d.prompts.asked.size());
    d.child.Modified = true;
    EXPECT_TRUE(d.child.Sauve(0));  // the refused name stays, and is written without a question
    EXPECT_EQ(d.prompts.asked.size(), questions);
    EXPECT_FALSE(d.child.Modified);

    d.prompts.saveFile = path("noext");
    ASSERT_TRUE(d.child.Sauve(1));
    EXPECT_EQ(d.child.FileName, path("noext.gif"));
    EXPECT_TRUE(QFile::exists(path("noext.gif")));
    Q_UNUSED(first);
}

TEST_F(Files, aFailedOpeningLeavesTheDocumentAsItWas)
{
    Document d;
    const QString good = saved("good.gif", d);
    writeBytes(path("broken.gif"), QByteArray("GIF89a\x10\x00", 8));
    writeBytes(path("empty.gif"), QByteArray());
    for (const QString& bad : {path("broken.gif"), path("empty.gif"), path("missing.gif")}) {
        EXPECT_THROW(d.child.Charge(bad), std::exception) << bad.toStdString();
        EXPECT_EQ(d.child.FileName, good);
        EXPECT_EQ(d.child.ImageList1.count(), 3);
    }
    // The next save still goes to the file that was open.
    d.child.Modified = true;
    ASSERT_TRUE(d.child.Sauve(0));
    Document e;
    e.child.Charge(good);
    EXPECT_EQ(e.child.ImageList1.count(), 3);
}

TEST_F(Files, savingNothingWritesNothing)
{
    Document d;
    d.prompts.saveFile = path("none.gif");
    EXPECT_THROW(d.child.Sauve(0), Error);
    EXPECT_FALSE(QFile::exists(path("none.gif")));
}

TEST_F(Files, importCentresThePictureWithoutScaling)
{
    solid(100, 50, 0x0000ff).save(path("small.bmp"));
    solid(121, 61, 0x00ff00).save(path("big.bmp"));
    Document d;
    d.fill({0xffffff}, 120, 60);
    d.prompts.importFile = path("small.bmp");
    d.child.Importer();
    EXPECT_EQ(d.child.picture().pixel(10, 5), qRgb(0, 0, 255));
    EXPECT_EQ(d.child.picture().pixel(9, 5), qRgb(255, 255, 255));
    EXPECT_EQ(d.child.picture().pixel(109, 54), qRgb(0, 0, 255));
    EXPECT_EQ(d.child.picture().pixel(110, 54), qRgb(255, 255, 255));
    EXPECT_TRUE(d.child.FrameChanged && d.child.Modified);
    d.child.importPicture(path("big.bmp"));
    EXPECT_EQ(d.child.picture().pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(d.child.picture().pixel(119, 59), qRgb(0, 255, 0));

    Document empty;
    empty.child.importPicture(path("small.bmp"));
    EXPECT_EQ(empty.child.ImageList1.frameSize(), QSize(100, 50));
    EXPECT_EQ(empty.child.picture().size(), QSize(100, 50));
}

TEST_F(Files, aCancelledImportKeepsThePendingEdits)
{
    Document d;
    d.fill({kRed, kBlue}, 6, 6);
    d.paint(kGreen);
    d.child.Importer();  // cancelled
    EXPECT_TRUE(d.child.FrameChanged);
    d.child.Suivant();
    EXPECT_EQ(d.colourOf(0), kGreen);
}

TEST_F(Files, thePictureKindComesFromContentThenTheFilesOwnSuffix)
{
    QDir(dir.path()).mkdir("pics.gif");
    const QString png = path("pics.gif/photo.png");
    solid(4, 3, 0x123456).save(png, "PNG");
    EXPECT_EQ(kindFromName(png), FileKind::Png);
    EXPECT_EQ(kindFromName("/a/b.JFIF"), FileKind::Jpeg);
    EXPECT_EQ(kindFromName("/a/b.jpe"), FileKind::Jpeg);
    EXPECT_EQ(kindFromName("/a.gif/b"), FileKind::Unknown);
    const QString disguised = path("really-a-png.jpg");
    QFile::copy(png, disguised);
    Document d;
    d.child.importPicture(png);
    d.child.importPicture(disguised);
    EXPECT_EQ(d.shown(), 0x123456u);
}

TEST_F(Files, exportWritesTheKindOfTheName)
{
    Document d;
    d.fill({kRed}, 9, 7);
    d.prompts.exportFile = path("frame.bmp");
    d.child.Exporter();
    EXPECT_EQ(head(path("frame.bmp"), 2), "BM");
    d.prompts.exportFile = path("frame");
    d.child.Exporter();
    EXPECT_EQ(head(path("frame.gif")), "GIF8");
    d.child.exportPicture(path("frame.jpg"));
    EXPECT_EQ(head(path("frame.jpg"), 3), QByteArray("\xff\xd8\xff"));
    d.child.exportPicture(path("frame.pcx"));
    EXPECT_EQ(head(path("frame.pcx"), 1), QByteArray("\x0a"));
    EXPECT_FALSE(d.child.Modified);

    // An existing file is kept unless the user agrees.
    solid(2, 2, 0).save(path("keep.bmp"));
    const QByteArray before = formatstest::readFile(path("keep.bmp"));
    d.prompts.exportFile = path("keep.bmp");
    d.prompts.answers = {Answer::No};
    d.child.Exporter();
    EXPECT_EQ(formatstest::readFile(path("keep.bmp")), before);

    Document e;
    e.child.importPicture(path("frame.pcx"));
    EXPECT_EQ(e.shown(), kRed);
    e.child.importPicture(path("frame.gif"));
    EXPECT_EQ(e.shown(), kRed);
}

TEST_F(Files, jpegColourGreyCmykAndDamage)
{
    Document d;
    d.child.importPicture(testsupport::testdata("misc/jpeg/hopper_gray.jpg"));
    const QRgb grey = d.child.picture().pixel(64, 64);
    EXPECT_EQ(qRed(grey), qGreen(grey));
    EXPECT_EQ(qGreen(grey), qBlue(grey));

    // The CMYK sample next to the same picture in RGB: close colours.
    Document cmyk, rgb;
    cmyk.child.importPicture(testsupport::testdata("misc/jpeg/pil_sample_cmyk.jpg"));
    rgb.child.importPicture(testsupport::testdata("misc/jpeg/pil_sample_rgb.jpg"));
    long difference = 0;
    for (int y = 0; y < 100; y += 7)
        for (int x = 0; x < 100; x += 7) {
            const QRgb a = cmyk.child.picture().pixel(x, y);
            const QRgb b = rgb.child.picture().pixel(x, y);
            difference += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
        }
    EXPECT_LT(difference / (15 * 15 * 3), 16);

    writeBytes(path("bad.jpg"), QByteArray("\xff\xd8\xff\xe0\x00\x10JFIF\x00garbage", 18));
    d.child.Modified = false;
    const QImage before = d.child.picture();
    try {
        d.child.importPicture(path("bad.jpg"));
        FAIL();
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().startsWith("Erreur JPEG #")) << e.what();
    }
    EXPECT_EQ(d.child.picture(), before);
    EXPECT_FALSE(d.child.Modified);
}

TEST(OpenedFrames, areComposedAsTheAnimationShowsThem)
{
    int checked = 0;
    for (const auto& row : formatstest::readManifest("gif/MANIFEST.tsv")) {
        const QString expected = row["composed_on_white_sha256"];
        if (expected.isEmpty() || expected == "-")
            continue;
        SCOPED_TRACE(row["file"].toStdString());
        const QString file = testsupport::testdata("gif/" + row["file"]);
        // Files the codec's own rules refuse must be refused by the opening too.
        bool codecReads = true;
        try {
            gif::TGIFImage probe;
            probe.LoadFromFile(file);
        } catch (const std::exception&) {
            codecReads = false;
        }
        Document d;
        if (!codecReads) {
            EXPECT_THROW(d.child.Charge(file), std::exception);
            EXPECT_EQ(d.child.ImageList1.count(), 0);
            continue;
        }
        d.child.Charge(file);
        const QStringList hashes = expected.split(' ', Qt::SkipEmptyParts);
        ASSERT_EQ(d.child.ImageList1.count(), hashes.size());
        for (int i = 0; i < hashes.size(); ++i) {
            // The page, kept in the document's transparent colour, on white.
            QImage frame = d.child.ImageList1.frame(i);
            if (d.child.transparentColour)
                for (int y = 0; y < frame.height(); ++y)
                    for (int x = 0; x < frame.width(); ++x)
                        if (frame.pixel(x, y) == toQRgb(*d.child.transparentColour))
                            frame.setPixel(x, y, qRgb(255, 255, 255));
            EXPECT_EQ(formatstest::rgbSha256(frame), hashes[i]) << "frame " << i;
        }
        ++checked;
    }
    EXPECT_GT(checked, 50);
}

TEST(Properties, onlyAConfirmedDialogChangesThemAndMarksTheDocument)
{
    Document d;
    d.child.GifVersion = 2;
    d.child.Params();  // cancelled
    EXPECT_EQ(d.prompts.propertiesVersion, 2);
    EXPECT_EQ(d.child.RepeatCount, 0);
    EXPECT_FALSE(d.child.Modified);
    EXPECT_FALSE(d.child.history().canUndo());
    d.prompts.properties = {{0, 30, false}};  // confirmed as they were
    d.child.Params();
    EXPECT_FALSE(d.child.Modified);
    d.prompts.properties = {{5, 70000, true}};
    d.child.Params();
    EXPECT_EQ(d.child.RepeatCount, 5);
    EXPECT_EQ(d.child.FrameDelay, 70000);
    EXPECT_TRUE(d.child.TransparentBackground);
    EXPECT_TRUE(d.child.Modified);

    d.child.Modified = false;
    d.prompts.optimisation = {{true, true, false}};
    d.child.Optimiser();
    EXPECT_TRUE(d.child.RemoveLocalPalettes && d.child.MergeDuplicatePixels && !d.child.RemoveUselessFrames);
    EXPECT_FALSE(d.child.Modified);
}

TEST(Playback, playsTheStoreWithTheLatestEditsAndNothingWhenEmpty)
{
    struct Recording : test::ScriptedPrompts {
        void runPlayback(const std::vector<QImage>& frames, const AnimationSettings& s,
                         const std::function<void(int, int)>&) override
        {
            played = frames;
            settings = s;
            ++runs;
        }
        std::vector<QImage> played;
        AnimationSettings settings;
        int runs = 0;
    } prompts;
    SystemClipboard clipboard;
    TChild child(prompts, clipboard);
    child.Exec();
    EXPECT_EQ(prompts.runs, 0);

    child.ImageList1.assign({testsupport::solid(4, 4, 0xff0000)}, QSize(4, 4));
    child.NewFrame = false;
    child.LitCadre();
    child.setDrawingColourSource([] { return colourFromRgb(0, 0, 255); });
    child.Remplir();
    child.Image1MouseDown(Qt::LeftButton, 0, 0);
    child.Image1Click();
    child.RepeatCount = 4;
    child.Exec();
    ASSERT_EQ(prompts.runs, 1);
    EXPECT_EQ(prompts.played.front().pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(prompts.settings.RepeatCount, 4);
}

// After a save, what writes nothing into the animation — an export, playback,
// moving between frames, a cancelled effect or text — leaves it unmodified,
// so quitting does not ask to save it again.
enum class AfterSave { ExportAvi, ExportFrame, Play, Navigate, CancelledEffect, CancelledText };

class NothingChanged : public ::testing::TestWithParam<AfterSave> {};

TEST_P(NothingChanged, leavesTheSavedDocumentUnmodified)
{
    QTemporaryDir dir;
    Document d;
    TChild& c = d.child;
    SystemClipboard().setImage(testsupport::solid(8, 6, 0x3366cc));
    c.Coller();  // a new frame, not in the store until the save
    d.prompts.saveFile = dir.filePath("saved.gif");
    ASSERT_TRUE(c.Sauve(0));
    ASSERT_FALSE(c.Modified);
    switch (GetParam()) {
    case AfterSave::ExportAvi:
        d.prompts.aviFile = dir.filePath("copy.avi");
        ASSERT_TRUE(c.SauveAvi(1));
        break;
    case AfterSave::ExportFrame:
        d.prompts.exportFile = dir.filePath("frame.bmp");
        c.Exporter();
        ASSERT_TRUE(QFileInfo::exists(dir.filePath("frame.bmp")));
        break;
    case AfterSave::Play:
        c.Exec();
        break;
    case AfterSave::Navigate:
        c.Suivant();
        c.Premier();
        break;
    case AfterSave::CancelledEffect:
        c.Speciaux();
        break;
    case AfterSave::CancelledText:
        c.Texte();
        c.Image1MouseDown(Qt::LeftButton, 1, 1);
        c.Image1Click();
        break;
    }
    EXPECT_FALSE(c.Modified);
    const int asked = int(d.prompts.asked.size());
    EXPECT_TRUE(c.FormCloseQuery());
    EXPECT_EQ(int(d.prompts.asked.size()), asked);
    // A real change after all of it is still one.
    d.paint(0xff0000);
    c.Suivant();
    EXPECT_TRUE(c.Modified);
}

INSTANTIATE_TEST_SUITE_P(Actions, NothingChanged,
                         ::testing::Values(AfterSave::ExportAvi, AfterSave::ExportFrame, AfterSave::Play,
                                           AfterSave::Navigate, AfterSave::CancelledEffect,
                                           AfterSave::CancelledText));

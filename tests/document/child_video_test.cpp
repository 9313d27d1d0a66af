// Opening videos in the document: the frames chosen in the import options,
// reduced to the 216-colour cube, with the stream's delay and an endless
// loop; cancels and failures leave the document as it was.
#include "common/error.h"
#include "document/scripted.h"
#include "formats/video.h"
#include "gif/colorreduction.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orugif;
using orugif::test::Document;

namespace {

QString clip(const char* name) { return testsupport::testdata(QStringLiteral("avi/") + name); }

// A document holding two 4 x 3 frames saved nowhere.
void prepare(Document& d)
{
    d.fill({0xff0000, 0x00ff00});
    d.child.FileName = QStringLiteral("before.gif");
    d.child.FrameDelay = 25;
    d.child.RepeatCount = 2;
}

void expectUnchanged(const Document& d)
{
    EXPECT_EQ(d.child.FileName, "before.gif");
    EXPECT_EQ(d.child.ImageList1.count(), 2);
    EXPECT_EQ(d.child.ImageList1.frameSize(), QSize(4, 3));
    EXPECT_EQ(d.child.FrameDelay, 25);
    EXPECT_EQ(d.child.RepeatCount, 2);
}

// `file` in `dir`, made by the ffmpeg command from FFmpeg's test source with
// `options` (output options); empty when there is no ffmpeg command.
QString ffmpegClip(const QTemporaryDir& dir, const char* file, const char* source, const QStringList& options)
{
    const QString ffmpeg = QStandardPaths::findExecutable("ffmpeg");
    if (ffmpeg.isEmpty())
        return {};
    const QString path = dir.filePath(file);
    QProcess::execute(ffmpeg, QStringList{"-v", "error", "-y", "-f", "lavfi", "-i", source} + options + QStringList{path});
    return path;
}

// What the error `open` raises says.
template <class F> QString failure(F open)
{
    try {
        open();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

} // namespace

TEST(VideoImport, allFramesReducedWithTheStreamDelayAndEndlessLoop)
{
    const struct {
        const char* file;
        int frames, delay, length;
    } cases[] = {{"raw-pal8-15fps.avi", 16, 7, 107},
                 {"mjpeg-25fps.avi", 30, 4, 120},
                 {"raw-pal8-scale1000-rate0.avi", 16, 10, 160},
                 {"raw-pal8-29.97fps.avi", 16, 3, 53}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        Document d;
        prepare(d);
        d.prompts.video = {0, c.frames - 1, 160};
        QSignalSpy done(&d.child, &TChild::progressDone);
        QSignalSpy moved(&d.child, &TChild::progress);
        d.child.Charge(clip(c.file));
        // The options offered the whole stream and its size.
        EXPECT_EQ(d.prompts.videoOffered.first, 0);
        EXPECT_EQ(d.prompts.videoOffered.last, c.frames - 1);
        EXPECT_EQ(d.prompts.videoSize, QSize(160, 120));
        ASSERT_EQ(d.child.ImageList1.count(), c.frames);
        EXPECT_EQ(d.child.ImageList1.frameSize(), QSize(160, 120));
        EXPECT_EQ(d.child.FrameDelay, c.delay);
        EXPECT_EQ(d.child.RepeatCount, 0);
        EXPECT_FALSE(d.child.TransparentBackground);
        EXPECT_FALSE(d.child.Modified);
        EXPECT_EQ(d.child.FileName, clip(c.file));
        EXPECT_GE(moved.size(), c.frames);
        EXPECT_EQ(done.size(), 2);  // after the counting, and at the end

        // Each frame keeps the decoded frame's colours.
        formats::VideoReader video(clip(c.file));
        std::vector<QImage> decoded;
        video.read(0, c.frames - 1, 0, 0, [&](std::int64_t, const QImage& f) {
            decoded.push_back(f);
            return true;
        });
        for (int i : {0, c.frames / 2, c.frames - 1})
            EXPECT_EQ(d.child.ImageList1.frame(i), decoded[std::size_t(i)]) << i;
        // The delays add up to the clip's length.
        int total = 0;
        for (int i = 0; i < c.frames; ++i)
            total += d.child.frameDelay(i);
        EXPECT_NEAR(total, c.length, 1);
    }
}

TEST(VideoImport, rangeAndWidthChosenInTheOptions)
{
    Document d;
    prepare(d);
    d.prompts.video = {3, 5, 80};
    d.child.Charge(clip("mjpeg-25fps.avi"));
    ASSERT_EQ(d.child.ImageList1.count(), 3);
    EXPECT_EQ(d.child.ImageList1.frameSize(), QSize(80, 60));
    EXPECT_EQ(d.child.statusText(), "Cadre 1 / 3 (80 x 60) - 0,04 s");

    // The first imported frame is position 3, not 0.
    formats::VideoReader video(clip("mjpeg-25fps.avi"));
    std::vector<QImage> scaled;
    video.read(0, 3, 80, 0, [&](std::int64_t, const QImage& f) {
        scaled.push_back(f);
        return true;
    });
    ASSERT_NE(scaled[3], scaled[0]);
    EXPECT_EQ(d.child.ImageList1.frame(0), scaled[3]);
}

TEST(VideoImport, cancelOrNothingChosenLeavesTheDocument)
{
    Document d;
    prepare(d);
    d.prompts.video = {};  // "Annuler"
    QSignalSpy done(&d.child, &TChild::progressDone);
    d.child.Charge(clip("raw-pal8-15fps.avi"));
    expectUnchanged(d);
    EXPECT_TRUE(d.prompts.informed.isEmpty());

    d.prompts.video = {9, 3, 160};  // a last before the first
    const QString message = failure([&] { d.child.Charge(clip("raw-pal8-15fps.avi")); });
    EXPECT_TRUE(message.contains("ne contient aucune image")) << message.toStdString();
    expectUnchanged(d);
}

TEST(VideoImport, hostileFilesFailClearlyAndChangeNothing)
{
    QTemporaryDir dir;
    QFile source(clip("raw-pal8-15fps.avi"));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray bytes = source.readAll();
    const auto write = [&](const QString& name, const QByteArray& content) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return dir.filePath(name);
    };
    const QString truncated = write("truncated.avi", bytes.left(bytes.size() / 3));
    const QString text = write("letter.avi", "Cher ami, ceci n'est pas une video.\n");
    const QString missing = dir.filePath("missing.avi");
    for (const QString& path : {truncated, text, missing}) {
        SCOPED_TRACE(path.toStdString());
        Document d;
        prepare(d);
        d.prompts.video = {0, 15, 160};
        QSignalSpy done(&d.child, &TChild::progressDone);
        const QString message = failure([&] { d.child.Charge(path); });
        if (path != missing) {
            EXPECT_TRUE(message.startsWith("Failed to")) << message.toStdString();
        }
        EXPECT_TRUE(message.contains(QFileInfo(path).fileName())) << message.toStdString();
        expectUnchanged(d);
        // A failure during decoding still hides the progress bar.
        if (path == truncated) {
            EXPECT_EQ(done.size(), 2);  // after the counting, and at the end
        }
    }

    // A range beyond the stream names the first position it lacks.
    Document d;
    prepare(d);
    d.prompts.video = {0, 20, 160};
    const QString message = failure([&] { d.child.Charge(clip("raw-pal8-15fps.avi")); });
    EXPECT_TRUE(message.startsWith("Failed to decompress AVI frame 16")) << message.toStdString();
    expectUnchanged(d);
}

TEST(VideoImport, anMp4MadeByFfmpegOpens)
{
    QTemporaryDir dir;
    const QString mp4 = ffmpegClip(dir, "x.mp4", "testsrc2=size=64x48:rate=10", {"-frames:v", "5"});
    if (mp4.isEmpty())
        GTEST_SKIP() << "no ffmpeg command";
    Document d;
    prepare(d);
    d.prompts.video = {0, 4, 64};
    d.child.Charge(mp4);
    EXPECT_EQ(d.prompts.videoOffered.last, 4);
    EXPECT_EQ(d.child.ImageList1.count(), 5);
    EXPECT_EQ(d.child.ImageList1.frameSize(), QSize(64, 48));
    EXPECT_EQ(d.child.FrameDelay, 10);
    EXPECT_EQ(d.child.RepeatCount, 0);
}

TEST(VideoImport, aVariableRateGivesEachFrameItsOwnDelay)
{
    // Frames at 0, 0.1, 0.2, 0.3 and 0.6 s.
    QTemporaryDir dir;
    const QString mkv = ffmpegClip(dir, "vfr.mkv", "testsrc2=size=32x24:rate=10",
                                   {"-vf", "setpts='if(lt(N,3),N,3*N-6)*0.1/TB'", "-fps_mode", "passthrough",
                                    "-frames:v", "5", "-c:v", "ffv1"});
    if (mkv.isEmpty())
        GTEST_SKIP() << "no ffmpeg command";
    Document d;
    d.prompts.video = {0, 4, 0};
    d.child.Charge(mkv);
    ASSERT_EQ(d.child.ImageList1.count(), 5);
    std::vector<int> delays;
    for (int i = 0; i < 4; ++i)
        delays.push_back(d.child.frameDelay(i));
    EXPECT_EQ(delays, (std::vector<int>{10, 10, 10, 30}));
}

TEST(VideoExport, exportAsksBeforeReplacingAndSavingAnAviNameWritesAvi)
{
    QTemporaryDir dir;
    Document d;
    d.fill({0xff0000, 0x00ff00, 0x0000ff}, 12, 8);
    d.child.FileName = dir.filePath("anim.gif");
    d.child.FrameDelay = 10;

    // Cancelled dialog: nothing written.
    EXPECT_FALSE(d.child.SauveAvi(1));
    EXPECT_EQ(d.prompts.aviDialogStartedOn, dir.filePath("anim.avi"));
    // A name without suffix gets ".avi".
    d.prompts.aviFile = dir.filePath("clip");
    ASSERT_TRUE(d.child.SauveAvi(1));
    const QString clipPath = dir.filePath("clip.avi");
    ASSERT_TRUE(QFile::exists(clipPath));
    EXPECT_EQ(d.child.FileName, dir.filePath("anim.gif"));  // an export keeps the document's name

    // The written file opens again with its frames and delay.
    Document e;
    e.prompts.video = {0, 2, 12};
    e.child.Charge(clipPath);
    ASSERT_EQ(e.child.ImageList1.count(), 3);
    EXPECT_EQ(e.child.FrameDelay, 10);
    EXPECT_EQ(e.colourOf(0), 0xff0000u);
    EXPECT_EQ(e.colourOf(2), 0x0000ffu);

    // An existing file: "Non" keeps it, "Oui" replaces it.
    d.prompts.aviFile = clipPath;
    d.child.FrameDelay = 20;
    d.prompts.answers = {Answer::No};
    EXPECT_FALSE(d.child.SauveAvi(1));
    EXPECT_EQ(d.prompts.asked.back(), QString::fromUtf8("Ce fichier existe déjà. L'écraser ?"));
    d.prompts.answers = {Answer::Yes};
    EXPECT_TRUE(d.child.SauveAvi(1));
    Document f;
    f.prompts.video = {0, 2, 12};
    f.child.Charge(clipPath);
    EXPECT_EQ(f.child.FrameDelay, 20);

    // "&Enregistrer" after opening the clip never writes it: the user is
    // asked for a name, the clip's with ".gif" offered; a cancel writes nothing.
    QFile clipFile(clipPath);
    ASSERT_TRUE(clipFile.open(QIODevice::ReadOnly));
    const QByteArray clipBytes = clipFile.readAll();
    clipFile.close();
    f.paint(0x00ff00);
    ASSERT_TRUE(f.child.Modified);
    EXPECT_FALSE(f.child.Sauve(0));
    EXPECT_EQ(f.prompts.saveDialogStartedOn, dir.filePath("clip.gif"));
    EXPECT_TRUE(f.child.Modified);
    ASSERT_TRUE(clipFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(clipFile.readAll(), clipBytes);
    clipFile.close();

    // Saved under an AVI name of the user's, "&Enregistrer" writes that AVI
    // again, asking before it replaces the file each time.
    f.prompts.saveFile = dir.filePath("mine.avi");
    ASSERT_TRUE(f.child.Sauve(0));
    EXPECT_EQ(f.child.FileName, dir.filePath("mine.avi"));
    EXPECT_FALSE(f.child.Modified);
    f.paint(0x0000ff);
    f.prompts.answers = {Answer::No};
    EXPECT_FALSE(f.child.Sauve(0));
    f.prompts.answers = {Answer::Yes};
    ASSERT_TRUE(f.child.Sauve(0));
    Document g;
    g.prompts.video = {0, 2, 12};
    g.child.Charge(dir.filePath("mine.avi"));
    EXPECT_EQ(g.colourOf(0), 0x0000ffu);

    // A video name of a kind never written is refused.
    f.child.FileName = dir.filePath("film.mkv");
    EXPECT_THROW(f.child.Sauve(0), Error);
    EXPECT_FALSE(QFile::exists(dir.filePath("film.mkv")));
}

TEST(VideoExport, aFailedExportLeavesThePreviousFile)
{
    QTemporaryDir dir;
    Document d;
    d.fill({0xff0000, 0x00ff00}, 12, 8);
    const QString path = dir.filePath("old.avi");
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("previous contents");
    old.close();
    // Frames too large for one AVI file: refused, the old file stays.
    d.child.ImageList1.assign({}, QSize(2000, 2000));
    for (int i = 0; i < 300; ++i)
        d.child.ImageList1.add(QImage(2000, 2000, QImage::Format_RGB32));
    d.child.CurrentIndex = 0;
    d.child.NewFrame = false;
    d.child.LitCadre();
    d.prompts.aviFile = path;
    d.prompts.answers = {Answer::Yes};
    EXPECT_THROW(d.child.SauveAvi(1), Error);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "previous contents");
}

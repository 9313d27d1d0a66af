// The GIF sub-commands of the command line, driven as a script would.
#include "app/cli.h"
#include "gif/gifimage.h"

#include "support/testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct CommandResult {
    int code;
    QString out, err;
};

CommandResult run(const QStringList& args)
{
    QString out, err;
    QTextStream o(&out), e(&err);
    const int code = orugif::cli::run(args, o, e);
    o.flush();
    e.flush();
    return {code, out, err};
}

} // namespace

TEST(GifCommands, infoDescribesFramesAndWarnings)
{
    const CommandResult r = run({"info", testsupport::testdata("gif/peterdn-gif-test-suite/animated_loop.gif")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("version: GIF89a"));
    EXPECT_TRUE(r.out.contains("screen: 100x100"));
    EXPECT_TRUE(r.out.contains("loop count: 0"));
    EXPECT_TRUE(r.out.contains("frame 2: position 30,30 size 40x40 local table 2 interlaced no delay 100 disposal 1"));
    const CommandResult odd = run({"info", testsupport::testdata("gif/pygif-test-suite/unknown-extension.gif")});
    EXPECT_EQ(odd.code, 0);
    EXPECT_TRUE(odd.out.contains("warning: Unknown extension type"));
    const CommandResult broken = run({"info", testsupport::testdata("gif/derived/trunc-in-global-table.gif")});
    EXPECT_EQ(broken.code, 1);
    EXPECT_TRUE(broken.err.contains("Premature end of data"));
}

TEST(GifCommands, infoPrintsCommentsAndApplicationBlocks)
{
    const CommandResult comment = run({"info", testsupport::testdata("gif/pygif-test-suite/comment.gif")});
    ASSERT_EQ(comment.code, 0) << comment.err.toStdString();
    EXPECT_TRUE(comment.out.contains("comment: Hello World!\n")) << comment.out.toStdString();
    const CommandResult xmp = run({"info", testsupport::testdata("gif/pygif-test-suite/xmp-data.gif")});
    ASSERT_EQ(xmp.code, 0) << xmp.err.toStdString();
    EXPECT_TRUE(xmp.out.contains("application: XMP DataXMP, ")) << xmp.out.toStdString();
    EXPECT_FALSE(xmp.out.contains("comment:"));
}

TEST(GifCommands, framesWritesComposedOrRawPictures)
{
    QTemporaryDir dir;
    const QString file = testsupport::testdata("gif/peterdn-gif-test-suite/animated_loop.gif");
    ASSERT_EQ(run({"frames", file, dir.path()}).code, 0);
    const QImage composed(dir.filePath("frame-003.bmp"));
    EXPECT_EQ(composed.size(), QSize(100, 100));
    ASSERT_EQ(run({"frames", file, dir.filePath("raw"), "--raw"}).code, 0);
    EXPECT_EQ(QImage(dir.filePath("raw/frame-003.bmp")).size(), QSize(30, 30));
    EXPECT_EQ(QDir(dir.filePath("raw")).entryList(QDir::Files).size(), 4);
}

TEST(GifCommands, frameNamesSortInFrameOrderPastAThousandFrames)
{
    QTemporaryDir dir;
    orugif::gif::TGIFImage image;
    for (int i = 0; i < 1001; ++i)
        image.AddFrameImage(testsupport::solid(1, 1, i % 2 ? 0xffffff : 0));
    image.SaveToFile(dir.filePath("many.gif"));
    ASSERT_EQ(run({"frames", dir.filePath("many.gif"), dir.filePath("out")}).code, 0);
    QStringList names = QDir(dir.filePath("out")).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(names.size(), 1001);
    EXPECT_EQ(names.front(), "frame-0000.bmp");
    EXPECT_EQ(names[101], "frame-0101.bmp");
    EXPECT_EQ(names.back(), "frame-1000.bmp");
}

TEST(GifCommands, recodeWritesAFileThatReadsTheSame)
{
    QTemporaryDir dir;
    const QString in = testsupport::testdata("gif/pygif-test-suite/high-color.gif");
    const QString out = dir.filePath("out.gif");
    ASSERT_EQ(run({"recode", in, out}).code, 0);
    ASSERT_EQ(run({"frames", in, dir.filePath("a"), "--raw"}).code, 0);
    ASSERT_EQ(run({"frames", out, dir.filePath("b"), "--raw"}).code, 0);
    for (int i = 0; i < 4; ++i) {
        const QString name = QString("/frame-%1.bmp").arg(i, 3, 10, QChar('0'));
        EXPECT_EQ(QImage(dir.filePath("a") + name), QImage(dir.filePath("b") + name));
    }
    EXPECT_EQ(run({"recode", in}).code, 2);
}

TEST(GifCommands, recodeWithLossyCodingIsSmallerAndRefusesOtherTolerances)
{
    QTemporaryDir dir;
    const QString in = dir.filePath("photo.gif");
    ASSERT_EQ(run({"make", in, testsupport::testdata("photos/chelsea.png"), "--colours", "optimised"}).code, 0);
    const QString exact = dir.filePath("exact.gif"), lossy = dir.filePath("lossy.gif");
    ASSERT_EQ(run({"recode", in, exact, "--lossy", "0"}).code, 0);
    ASSERT_EQ(run({"recode", in, lossy, "--lossy", "40"}).code, 0);
    EXPECT_LT(QFileInfo(lossy).size(), QFileInfo(exact).size());
    for (const char* bad : {"201", "-3", "x"})
        EXPECT_EQ(run({"recode", in, dir.filePath("bad.gif"), "--lossy", bad}).code, 2) << bad;
    EXPECT_FALSE(QFile::exists(dir.filePath("bad.gif")));
}

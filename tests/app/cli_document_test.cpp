// The make and edit sub-commands, run in-process through the dispatcher.
#include "clirun.h"
#include "document/picturefile.h"
#include "gif/compose.h"
#include "gif/gifimage.h"
#include "support/testsupport.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orugif;

namespace {

using clitest::Outcome;
using clitest::run;

} // namespace

TEST(CommandLine, makeBuildsAnAnimationFromPicturesWithItsSettings)
{
    QTemporaryDir dir;
    const QString a = dir.filePath("a.bmp"), b = dir.filePath("b.png"), out = dir.filePath("out.gif");
    testsupport::solid(20, 10, 0xff0000).save(a);
    testsupport::solid(10, 4, 0x0000ff).save(b);
    const Outcome r = run({"make", out, a, b, "--loop", "2", "--delay", "15", "--global-palette"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    gif::TGIFImage image;
    image.LoadFromFile(out);
    ASSERT_EQ(image.Images().Count(), 2);
    EXPECT_FALSE(image.GlobalColorMap().Empty());
    EXPECT_EQ(image.Images()[1]->GraphicControlExtension()->DelayTime(), 15);
    const auto frames = gif::ComposeFrames(image);
    EXPECT_EQ(frames[1].pixel(9, 3), qRgb(0, 0, 255));  // at the top-left, as the wizard puts it
    EXPECT_EQ(frames[1].pixel(10, 3), qRgb(255, 255, 255));

    // --size: frames of that size, larger pictures cut at the right and bottom.
    ASSERT_EQ(run({"make", out, a, b, "--size", "12x6"}).code, 0);
    image.LoadFromFile(out);
    const auto sized = gif::ComposeFrames(image);
    EXPECT_EQ(sized[0].size(), QSize(12, 6));
    EXPECT_EQ(sized[0].pixel(11, 5), qRgb(255, 0, 0));
    EXPECT_EQ(sized[1].pixel(10, 5), qRgb(255, 255, 255));
    EXPECT_NE(run({"make", out, a, "--size", "0x6"}).code, 0);

    EXPECT_NE(run({"make", out}).code, 0);
    EXPECT_NE(run({"make", out, a, "--loop"}).code, 0);
    EXPECT_NE(run({"make", out, a, "--delay", "-5"}).code, 0);  // a file holds 0 to 65535
    EXPECT_NE(run({"make", out, a, "--loop", "65536"}).code, 0);
    EXPECT_NE(run({"make", out, dir.filePath("missing.png")}).code, 0);
}

TEST(CommandLine, editRunsTheOperationsInOrderAndWritesTheFrame)
{
    QTemporaryDir dir;
    QImage picture = testsupport::solid(8, 8, 0xffffff);
    picture.setPixel(0, 0, qRgb(255, 0, 0));
    picture.save(dir.filePath("in.bmp"));
    const Outcome r = run({"edit", dir.filePath("in.bmp"), dir.filePath("out.bmp"), "--mirror-v", "--rotate", "right",
                       "--effect", "Inverser"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QImage result(dir.filePath("out.bmp"));
    // Red at (0,0) -> mirrored to (7,0) -> turned right to (7,7) -> inverted to cyan.
    EXPECT_EQ(result.pixel(7, 7), qRgb(0, 255, 255));
    EXPECT_EQ(result.pixel(0, 0), qRgb(0, 0, 0));

    const Outcome t = run({"edit", dir.filePath("in.bmp"), dir.filePath("t.gif"), "--transition-after", "Stores,3",
                       "--resample", "4x4"});
    ASSERT_EQ(t.code, 0) << t.err.toStdString();
    gif::TGIFImage image;
    image.LoadFromFile(dir.filePath("t.gif"));
    EXPECT_EQ(image.Images().Count(), 4);
    EXPECT_EQ(image.Width(), 4);
}

TEST(CommandLine, editRefusesUnknownOperationsAndImpossibleEdits)
{
    QTemporaryDir dir;
    testsupport::solid(8, 4, 0xffffff).save(dir.filePath("in.bmp"));
    const QString in = dir.filePath("in.bmp"), out = dir.filePath("out.bmp");
    EXPECT_NE(run({"edit", in, out, "--rotate", "left"}).code, 0);  // not square
    EXPECT_NE(run({"edit", in, out, "--effect", "Nope"}).code, 0);
    EXPECT_NE(run({"edit", in, out, "--resize", "0x3"}).code, 0);
    EXPECT_NE(run({"edit", in, out, "--frame", "3"}).code, 0);
    EXPECT_NE(run({"edit", in, out, "--wobble"}).code, 0);
    EXPECT_FALSE(QFile::exists(out));
}

TEST(CommandLine, transitionCountsOutsideTheDialogsRangeAreRefused)
{
    QTemporaryDir dir;
    testsupport::solid(40, 20, 0x336699).save(dir.filePath("in.bmp"));
    const QString in = dir.filePath("in.bmp"), out = dir.filePath("out.gif");
    for (const char* count : {"100", "11", "-1"}) {
        const Outcome r = run({"edit", in, out, "--transition-after", QStringLiteral("Stores,%1").arg(count)});
        EXPECT_NE(r.code, 0) << count;
        EXPECT_TRUE(r.err.contains("0 à 10")) << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(out));
    }
    ASSERT_EQ(run({"edit", in, out, "--transition-after", "Stores,10"}).code, 0);
    gif::TGIFImage image;
    image.LoadFromFile(out);
    EXPECT_EQ(image.Images().Count(), 11);
}

TEST(CommandLine, orderBannerAndHtmlEndToEnd)
{
    QTemporaryDir dir;
    const QString in = dir.filePath("in.gif"), out = dir.filePath("out.gif");
    QStringList pictures;
    for (unsigned colour : {0xff0000u, 0x00ff00u, 0x0000ffu}) {
        pictures << dir.filePath(QStringLiteral("p%1.png").arg(pictures.size()));
        testsupport::solid(6, 4, colour).save(pictures.back());
    }
    ASSERT_EQ(run(QStringList{"make", in} + pictures).code, 0);
    ASSERT_EQ(run({"edit", in, out, "--order", "3,1"}).code, 0);  // frame 2 left out: deleted
    gif::TGIFImage image;
    image.LoadFromFile(out);
    const auto frames = gif::ComposeFrames(image);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(frames[1].pixel(0, 0), qRgb(255, 0, 0));
    QFile written(out);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray before = written.readAll();
    written.close();
    for (const char* bad : {"3,x", "0,1", "4", "1,1"}) {
        EXPECT_NE(run({"edit", in, out, "--order", bad}).code, 0) << bad;
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll(), before) << bad;  // nothing written
        written.close();
    }

    const QString banner = dir.filePath("banner.gif");
    const Outcome b = run({"banner", banner, "--text", QString::fromUtf8("Soldes d'été"), "--effect", "Clignotement",
                           "--frames", "2", "--size", "120x30", "--font", "DejaVu Sans,12,bold", "--delay", "20"});
    ASSERT_EQ(b.code, 0) << b.err.toStdString();
    image.LoadFromFile(banner);
    EXPECT_EQ(image.Images().Count(), 2);
    EXPECT_EQ(image.Width(), 120);
    EXPECT_EQ(image.Images()[0]->GraphicControlExtension()->DelayTime(), 20);
    EXPECT_NE(run({"banner", banner, "--text", "x", "--effect", "Vague"}).code, 0);
    for (const char* frames : {"1001", "0", "-3"}) {
        const Outcome refused = run({"banner", dir.filePath("refused.gif"), "--text", "x", "--frames", frames});
        EXPECT_EQ(refused.code, 1) << frames;
        EXPECT_TRUE(refused.err.contains("Une bannière a au")) << refused.err.toStdString();
        EXPECT_FALSE(QFile::exists(dir.filePath("refused.gif"))) << frames;
    }
    EXPECT_NE(run({"banner", banner}).code, 0);

    const Outcome h = run({"html", banner, "--alt", "<promo>", "--link", "https://x.fr/?a=1&b=2", "--border", "-1"});
    ASSERT_EQ(h.code, 0) << h.err.toStdString();
    EXPECT_EQ(h.out, "<a href=\"https://x.fr/?a=1&amp;b=2\"><img src=\"banner.gif\" width=\"120\" height=\"30\" "
                     "border=\"-1\" alt=\"&lt;promo&gt;\"></a>\n");

    // A file name is a relative address, never a scheme; a script link is refused.
    const QString script = dir.filePath("javascript:alert(1).gif");
    ASSERT_TRUE(QFile::copy(banner, script));
    const Outcome named = run({"html", script});
    ASSERT_EQ(named.code, 0) << named.err.toStdString();
    EXPECT_TRUE(named.out.startsWith("<img src=\"javascript%3Aalert(1).gif\"")) << named.out.toStdString();
    for (const char* link : {"javascript:alert(1)", " \x01JAVASCRIPT:alert(1)", "vbscript:x"}) {
        const Outcome refused = run({"html", banner, "--link", QString::fromUtf8(link)});
        EXPECT_EQ(refused.code, 1) << link;
        EXPECT_TRUE(refused.err.contains("exécuterait un script")) << refused.err.toStdString();
        EXPECT_EQ(refused.out, "");
    }
}

TEST(CommandLine, editSetsOneFramesDelayAndMakeSetsEveryFrames)
{
    QTemporaryDir dir;
    const QString a = dir.filePath("a.bmp"), b = dir.filePath("b.bmp"), first = dir.filePath("first.gif"),
                  edited = dir.filePath("edited.gif"), remade = dir.filePath("remade.gif");
    testsupport::solid(6, 4, 0xff0000).save(a);
    testsupport::solid(6, 4, 0x00ff00).save(b);
    ASSERT_EQ(run({"make", first, a, b, a, "--delay", "10"}).code, 0);
    const auto delays = [](const QString& path) {
        gif::TGIFImage image;
        image.LoadFromFile(path);
        std::vector<int> d;
        for (const auto& sub : image.Images())
            d.push_back(sub->GraphicControlExtension()->DelayTime());
        return d;
    };
    const Outcome r = run({"edit", first, edited, "--frame", "1", "--delay", "200"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(delays(edited), (std::vector<int>{10, 200, 10}));
    ASSERT_EQ(run({"make", remade, edited, "--delay", "40"}).code, 0);
    EXPECT_EQ(delays(remade), (std::vector<int>{40, 40, 40}));
    // Refused, and nothing written.
    for (const char* bad : {"-1", "65536", "x"})
        EXPECT_NE(run({"edit", first, dir.filePath("bad.gif"), "--frame", "0", "--delay", bad}).code, 0) << bad;
    EXPECT_FALSE(QFile::exists(dir.filePath("bad.gif")));
}

class SizeBeforeSaving : public ::testing::TestWithParam<QStringList> {};

TEST_P(SizeBeforeSaving, theDryRunGivesTheBytesTheSaveWrites)
{
    QTemporaryDir dir;
    QStringList inputs;
    for (int i = 0; i < 3; ++i) {
        QImage picture(40, 30, QImage::Format_RGB32);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                picture.setPixel(x, y, qRgb(x * 6, y * 8, (x * y + 40 * i) % 256));
        inputs << dir.filePath(QStringLiteral("f%1.png").arg(i));
        picture.save(inputs.back());
    }
    const QString out = dir.filePath("out.gif");
    const Outcome dry = run(QStringList{"make", out} + inputs + GetParam() + QStringList{"--dry-run"});
    ASSERT_EQ(dry.code, 0) << dry.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
    const Outcome made = run(QStringList{"make", out} + inputs + GetParam());
    ASSERT_EQ(made.code, 0) << made.err.toStdString();
    const QString size = QString::number(QFileInfo(out).size());
    QString grouped = size;
    for (qsizetype at = grouped.size() - 3; at > 0; at -= 3)
        grouped.insert(at, QLatin1Char(' '));
    EXPECT_EQ(dry.out.trimmed(), QStringLiteral("Taille : %1 octets").arg(grouped));
}

INSTANTIATE_TEST_SUITE_P(
    OptionSets, SizeBeforeSaving,
    ::testing::Values(QStringList{}, QStringList{"--colours", "optimised", "--dither", "floyd"},
                      QStringList{"--colours", "optimised", "--bits", "4", "--global-palette", "--merge", "--crop"},
                      QStringList{"--colours", "grey", "--dither", "stucki", "--transparent"},
                      QStringList{"--colours", "grey4", "--dither", "sierra", "--merge"},
                      QStringList{"--colours", "mono", "--dither", "jjn", "--global-palette"},
                      QStringList{"--colours", "web", "--dither", "stevenson", "--crop"},
                      QStringList{"--colours", "optimised", "--bits", "1", "--dither", "burkes"},
                      QStringList{"--colours", "auto", "--dither", "floyd", "--merge"},
                      QStringList{"--colours", "optimised", "--dither", "floyd", "--lossy", "60"},
                      QStringList{"--colours", "optimised", "--global-palette", "--merge", "--crop", "--lossy", "200"},
                      QStringList{"--lossy", "0"}));

TEST(CommandLine, automaticColoursAreTheDefaultAndKeepAFramesOwnColours)
{
    QTemporaryDir dir;
    // Three colours off the 216-colour cube.
    QImage picture = testsupport::solid(12, 8, 0x102030);
    picture.setPixel(1, 1, qRgb(200, 100, 7));
    picture.setPixel(2, 1, qRgb(7, 200, 100));
    const QString a = dir.filePath("a.png");
    ASSERT_TRUE(picture.save(a));
    const QString byDefault = dir.filePath("default.gif"), automatic = dir.filePath("auto.gif"),
                  web = dir.filePath("web.gif");
    ASSERT_EQ(run({"make", byDefault, a}).code, 0);
    ASSERT_EQ(run({"make", automatic, a, "--colours", "auto"}).code, 0);
    ASSERT_EQ(run({"make", web, a, "--colours", "web"}).code, 0);
    const auto bytes = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    EXPECT_EQ(bytes(byDefault), bytes(automatic));
    EXPECT_NE(bytes(web), bytes(automatic));
    QImage back;
    ASSERT_TRUE(back.load(automatic));
    EXPECT_EQ(back.pixel(0, 0) & 0xffffffu, 0x102030u);
    EXPECT_EQ(back.pixel(1, 1) & 0xffffffu, 0xc86407u);
    EXPECT_EQ(run({"make", web, a, "--colours", "auto", "--bits", "4"}).code != 0, true);  // bits go with "optimised"
}

TEST(CommandLine, reductionOptionsThatMakeNoSenseAreRefused)
{
    QTemporaryDir dir;
    const QString a = dir.filePath("a.bmp"), out = dir.filePath("out.gif");
    testsupport::solid(6, 4, 0xff0000).save(a);
    for (const QStringList& bad : {QStringList{"--bits", "1"}, QStringList{"--colours", "web", "--bits", "4"},
                                   QStringList{"--colours", "optimised", "--bits", "9"},
                                   QStringList{"--colours", "optimised", "--bits", "0"},
                                   QStringList{"--colours", "rainbow"}, QStringList{"--dither", "ordered"},
                                   QStringList{"--dither"}, QStringList{"--lossy", "201"},
                                   QStringList{"--lossy", "-1"}, QStringList{"--lossy", "beaucoup"}}) {
        const Outcome r = run(QStringList{"make", out, a} + bad);
        EXPECT_NE(r.code, 0) << bad.join(' ').toStdString();
        EXPECT_FALSE(r.err.isEmpty());
        EXPECT_FALSE(QFile::exists(out));
    }
    // Dithering black and white is fine.
    EXPECT_EQ(run({"make", out, a, "--colours", "mono", "--dither", "floyd"}).code, 0);
    EXPECT_EQ(run({"edit", out, dir.filePath("e.gif"), "--colours", "optimised", "--bits", "2"}).code, 0);
    EXPECT_NE(run({"edit", out, dir.filePath("f.gif"), "--colours", "grey", "--bits", "2"}).code, 0);
}

TEST(CommandLine, aDocumentInTheCubesColoursSavesAsBeforeTheAutomaticColours)
{
    // reference-cube*.gif: `make` of these four pictures, with each set of
    // options, before "auto" was the default.
    QTemporaryDir dir;
    QStringList inputs;
    for (int i = 0; i < 4; ++i)
        inputs << testsupport::testfile(QStringLiteral("data/colours/cube-%1.png").arg(i));
    const auto bytes = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const std::pair<QStringList, const char*> cases[] = {
        {{}, "reference-cube.gif"},
        {{"--transparent", "--merge", "--crop"}, "reference-cube-merged.gif"},
        {{"--dither", "floyd", "--global-palette"}, "reference-cube-dithered.gif"},
    };
    for (const auto& [options, reference] : cases) {
        SCOPED_TRACE(reference);
        const QString out = dir.filePath("out.gif");
        ASSERT_EQ(run(QStringList{"make", out} + inputs + options).code, 0);
        const QByteArray expected = bytes(testsupport::testfile(QStringLiteral("data/colours/") + reference));
        ASSERT_FALSE(expected.isEmpty());
        EXPECT_TRUE(bytes(out) == expected);
    }
}

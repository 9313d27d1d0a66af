// Opening and saving keeps what the file had: each frame's colours (with the
// default "Automatique" and with "Palette optimisée"), transparency under
// grey levels, the control block that governs each image, a loop block
// wherever it stands, comments and other application blocks. Files made by
// other tools are played by an independent decoder (Pillow) before and after.
#include "document/scripted.h"
#include "gif/colorreduction.h"
#include "gif/extensions.h"
#include "gif/gifimage.h"
#include "gif/lzw.h"
#include "support/reference.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTransform>
#include <gtest/gtest.h>

using namespace orugif;
using orugif::test::Document;
using testsupport::Played;

namespace {

// Transparent pixels all read 0; opaque ones keep their colour exactly.
QImage shown(const QImage& frame)
{
    QImage out(frame.size(), QImage::Format_ARGB32);
    for (int y = 0; y < frame.height(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < frame.width(); ++x)
            dst[x] = qAlpha(src[x]) < 128 ? 0 : src[x] | 0xFF000000u;
    }
    return out;
}

int differingPixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return a.width() * a.height() + 1;
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

enum class Edit { None, MirrorSecondFrame };

struct RoundTrip {
    const char* file;
    int reduction;  // the document's "Couleurs"
    Edit edit;
};

class KeepColours : public ::testing::TestWithParam<RoundTrip> {};

} // namespace

TEST_P(KeepColours, everyFrameShowsTheSamePixelsAfterOpenAndSave)
{
    const RoundTrip c = GetParam();
    if (!testsupport::havePillow())
        GTEST_SKIP() << "Pillow is missing";
    QTemporaryDir dir;
    const QString original = testsupport::testfile(QStringLiteral("data/colours/") + c.file);
    const QString saved = dir.filePath("saved.gif");
    Document d;
    d.child.Charge(original);
    d.child.ColorReduction = c.reduction;
    if (c.edit == Edit::MirrorSecondFrame) {
        d.child.CurrentIndex = 1;
        d.child.LitCadre();
        d.child.MiroirH();
    }
    d.child.FileName = saved;
    ASSERT_TRUE(d.child.Sauve(0));

    const Played before = testsupport::composeWithPillow(original);
    const Played after = testsupport::composeWithPillow(saved);
    ASSERT_EQ(before.frames.size(), after.frames.size());
    EXPECT_EQ(before.loop, after.loop);
    for (std::size_t i = 0; i < before.frames.size(); ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        QImage expected = shown(before.frames[i]);
        if (c.edit == Edit::MirrorSecondFrame && i == 1)
            expected = expected.mirrored(false, true);  // "MiroirH" turns it top to bottom
        EXPECT_EQ(differingPixels(expected, shown(after.frames[i])), 0);
        EXPECT_EQ(before.durations[i], after.durations[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, KeepColours,
    ::testing::ValuesIn([] {
        std::vector<RoundTrip> cases;
        for (const char* file : {"pillow-adaptive.gif", "gifsicle-adaptive.gif", "imagemagick-adaptive.gif",
                                 "ffmpeg-adaptive.gif", "no_time_for_that_tiny.gif"})
            for (int reduction : {gif::kAutomaticReduction, 7})
                for (Edit edit : {Edit::None, Edit::MirrorSecondFrame})
                    cases.push_back({file, reduction, edit});
        return cases;
    }()),
    [](const auto& info) {
        std::string name = QString::fromLatin1(info.param.file).section('.', 0, 0).remove('-').remove('_').toStdString();
        name += info.param.reduction == 7 ? "Optimised" : "Automatic";
        return name + (info.param.edit == Edit::None ? "" : "MirrorSecond");
    });

namespace {

// Frames drawn in the 216 cube's colours, with a moving square.
std::vector<QImage> cubeFrames(int count)
{
    std::vector<QImage> frames;
    for (int i = 0; i < count; ++i) {
        QImage f(36, 24, QImage::Format_RGB32);
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 36; ++x)
                f.setPixel(x, y, qRgb(51 * (x % 6), 51 * (y % 6), 51 * ((x / 6 + y / 6 + i) % 6)));
        for (int y = 4; y < 10; ++y)
            for (int x = 2 + 4 * i; x < 8 + 4 * i; ++x)
                f.setPixel(x, y, qRgb(255, 255, 255));
        frames.push_back(f);
    }
    return frames;
}

QByteArray savedBytes(Document& d, const QString& path)
{
    d.child.FileName = path;
    EXPECT_TRUE(d.child.Sauve(0));
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct CubeCase {
    const char* name;
    bool transparent, merge, crop;
    int dither;
};

class CubeDocument : public ::testing::TestWithParam<CubeCase> {};

} // namespace

TEST_P(CubeDocument, savesByteForByteAsTheWebPalette)
{
    const CubeCase c = GetParam();
    QTemporaryDir dir;
    Document d;
    d.child.ImageList1.assign(cubeFrames(4), QSize(36, 24));
    d.child.NewFrame = false;
    d.child.TransparentBackground = c.transparent;
    d.child.MergeDuplicatePixels = c.merge;
    d.child.RemoveUselessFrames = c.crop;
    d.child.DitherMode = c.dither;
    EXPECT_EQ(d.child.ColorReduction, gif::kAutomaticReduction);  // every new document's
    const QByteArray automatic = savedBytes(d, dir.filePath("auto.gif"));
    d.child.ColorReduction = 6;
    const QByteArray web = savedBytes(d, dir.filePath("web.gif"));
    ASSERT_FALSE(web.isEmpty());
    EXPECT_TRUE(automatic == web);
}

INSTANTIATE_TEST_SUITE_P(Options, CubeDocument,
                         ::testing::Values(CubeCase{"plain", false, false, false, 0},
                                           CubeCase{"transparent", true, false, false, 0},
                                           CubeCase{"mergeCrop", false, true, true, 0},
                                           CubeCase{"dithered", false, false, false, 1},
                                           CubeCase{"transparentMergeStucki", true, true, false, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AutomaticColours, framesWithMoreColoursTakeTheCubeWithTheDocumentsDithering)
{
    // A gradient of far more than 256 colours, and a frame of three.
    QImage many(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            many.setPixel(x, y, qRgb(x * 4, y * 5, (x * y) % 256));
    const QImage few = testsupport::solid(64, 48, 0x123456);
    for (int dither : {0, 1}) {
        SCOPED_TRACE(dither);
        AnimationSettings automatic;
        automatic.ColorReduction = gif::kAutomaticReduction;
        automatic.DitherMode = dither;
        gif::TGIFImage image;
        addFrames(image, {many, few}, automatic);
        AnimationSettings web = automatic;
        web.ColorReduction = 6;
        gif::TGIFImage cube;
        addFrames(cube, {many}, web);
        ASSERT_EQ(image.Images().Count(), 2);
        EXPECT_TRUE(image.Images()[0]->Data() == cube.Images()[0]->Data());
        EXPECT_EQ(image.Images()[0]->ActiveColorMap()->Count(), 216);
        const gif::TGIFColorMap& own = image.Images()[1]->ColorMap();
        ASSERT_EQ(own.Count(), 1);
        EXPECT_EQ(own[0], (gif::GIFColor{0x12, 0x34, 0x56}));
    }
}

TEST(AutomaticColours, aFrameExportedAsGifKeepsItsColours)
{
    QTemporaryDir dir;
    Document d;
    d.fill({0x123457}, 6, 5);
    const QString out = dir.filePath("frame.gif");
    d.child.exportPicture(out);
    QImage back;
    ASSERT_TRUE(back.load(out));
    EXPECT_EQ(back.pixel(2, 2) & 0xffffffu, 0x123457u);
    d.child.ColorReduction = 6;  // "Palette web" still gives the cube
    d.child.exportPicture(out);
    ASSERT_TRUE(back.load(out));
    EXPECT_EQ(back.pixel(2, 2) & 0xffffffu, 0x003333u);
}

namespace {

// A sprite on a transparent page, opened from a GIF.
QString transparentSprite(const QTemporaryDir& dir)
{
    QImage shapes(32, 16, QImage::Format_ARGB32);
    shapes.fill(0);
    for (int y = 4; y < 12; ++y)
        for (int x = 2; x < 30; ++x)
            shapes.setPixel(x, y, qRgb(x * 8, 255 - x * 8, 90));
    gif::TGIFImage image;
    image.ColorReduction = 7;
    image.AddFrameImage(shapes);
    const QString path = dir.filePath("sprite.gif");
    image.SaveToFile(path);
    return path;
}

class ReductionsKeepTransparency : public ::testing::TestWithParam<int> {};

} // namespace

TEST_P(ReductionsKeepTransparency, transparentPixelsStayTransparent)
{
    QTemporaryDir dir;
    const QString original = transparentSprite(dir);
    Document d;
    d.child.Charge(original);
    ASSERT_TRUE(d.child.TransparentBackground);
    d.child.ColorReduction = GetParam();
    d.child.FileName = dir.filePath("saved.gif");
    ASSERT_TRUE(d.child.Sauve(0));
    gif::TGIFImage saved;
    saved.LoadFromFile(d.child.FileName);
    const gif::TGIFSubImage& frame = *saved.Images()[0];
    ASSERT_GE(frame.TransparentIndex(), 0);
    int transparent = 0;
    for (int y = 0; y < frame.Height(); ++y)
        for (int x = 0; x < frame.Width(); ++x)
            transparent += frame.Scanline(y)[x] == frame.TransparentIndex();
    EXPECT_EQ(transparent, 32 * 16 - 28 * 8);
}

INSTANTIATE_TEST_SUITE_P(Reductions, ReductionsKeepTransparency,
                         ::testing::Values(gif::kAutomaticReduction, 6, 7, 5, 3, 4),
                         [](const auto& info) { return "method" + std::to_string(info.param); });

namespace {

struct Repeat {
    const char* name;
    QImage::Format format;
};

class RepeatedPalette : public ::testing::TestWithParam<Repeat> {};

} // namespace

TEST_P(RepeatedPalette, aFrameWhoseColoursFitComesBackExact)
{
    // Three colours, then the same frame with a small red square: it mostly
    // repeats the first, whose palette has no red.
    QImage first = testsupport::solid(40, 40, 0x00a000);
    for (int y = 10; y < 30; ++y)
        for (int x = 10; x < 30; ++x)
            first.setPixel(x, y, qRgb(0, 0, 200));
    first.setPixel(0, 0, qRgb(255, 255, 255));
    QImage second = first.copy();
    for (int y = 2; y < 6; ++y)
        for (int x = 30; x < 34; ++x)
            second.setPixel(x, y, qRgb(220, 0, 0));
    const Repeat c = GetParam();
    AnimationSettings s;
    s.ColorReduction = 7;
    gif::TGIFImage image;
    addFrames(image, {first.convertToFormat(c.format), second.convertToFormat(c.format)}, s);
    ASSERT_EQ(image.Images().Count(), 2);
    const gif::TGIFSubImage& sub = *image.Images()[1];
    const gif::GIFColor red = (*sub.ActiveColorMap())[sub.Pixel(31, 3)];
    EXPECT_EQ(red, (gif::GIFColor{220, 0, 0}));
    const gif::GIFColor white = (*sub.ActiveColorMap())[sub.Pixel(0, 0)];
    EXPECT_EQ(white, (gif::GIFColor{255, 255, 255}));

    // A third frame that only moves the square keeps the palette it repeats.
    QImage third = first.copy();
    for (int y = 2; y < 6; ++y)
        for (int x = 26; x < 30; ++x)
            third.setPixel(x, y, qRgb(220, 0, 0));
    gif::TGIFImage again;
    addFrames(again, {first.convertToFormat(c.format), second.convertToFormat(c.format), third.convertToFormat(c.format)}, s);
    const gif::TGIFColorMap* a = again.Images()[1]->ActiveColorMap();
    const gif::TGIFColorMap* b = again.Images()[2]->ActiveColorMap();
    ASSERT_EQ(a->Count(), b->Count());
    EXPECT_TRUE(std::equal(a->data(), a->data() + a->Count(), b->data()));
}

INSTANTIATE_TEST_SUITE_P(Formats, RepeatedPalette,
                         ::testing::Values(Repeat{"reducedAhead", QImage::Format_RGB32},
                                           Repeat{"reducedInOrder", QImage::Format_ARGB32}),
                         [](const auto& info) { return std::string(info.param.name); });

namespace {

// GIF files put together block by block: a 4 x 4 screen with four colours.
QByteArray header()
{
    QByteArray b("GIF89a");
    b += QByteArray::fromHex("04000400" "81" "0000");
    b += QByteArray::fromHex("000000" "ff0000" "00ff00" "0000ff");
    return b;
}

QByteArray control(int delay, bool transparent = false, int index = 0)
{
    QByteArray b = QByteArray::fromHex("21f904");
    b += char(transparent ? 0x01 : 0x00);
    b += char(delay & 0xFF);
    b += char(delay >> 8);
    b += char(index);
    b += '\0';
    return b;
}

QByteArray plainText()
{
    return QByteArray::fromHex("21010c" "00000000" "04000400" "0404" "0100" "026869" "00");
}

QByteArray loop(int count)
{
    QByteArray b = QByteArray::fromHex("21ff0b");
    b += "NETSCAPE2.0";
    b += QByteArray::fromHex("0301");
    b += char(count & 0xFF);
    b += char(count >> 8);
    b += '\0';
    return b;
}

QByteArray comment(const QByteArray& text)
{
    QByteArray b = QByteArray::fromHex("21fe");
    b += char(text.size());
    b += text;
    b += '\0';
    return b;
}

QByteArray xmp()
{
    QByteArray b = QByteArray::fromHex("21ff0b");
    b += "XMP DataXMP";
    const QByteArray packet("<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF/></x:xmpmeta>");
    b += char(packet.size());
    b += packet;
    b += QByteArray::fromHex("0301fe00");
    b += '\0';
    return b;
}

// A 4 x 4 image of the global colours: index `colour` with a column of 0.
QByteArray picture(int colour)
{
    QByteArray b = QByteArray::fromHex("2c" "00000000" "04000400" "00");
    std::vector<std::uint8_t> pixels(16, std::uint8_t(colour));
    for (int y = 0; y < 4; ++y)
        pixels[std::size_t(y * 4)] = 0;
    gif::ByteWriter out;
    gif::EncodeImage(out, 4, pixels.data(), false, 4, 4);
    b += QByteArray(reinterpret_cast<const char*>(out.data().data()), qsizetype(out.data().size()));
    return b;
}

QString written(const QTemporaryDir& dir, const char* name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    EXPECT_TRUE(testsupport::writeBytes(path, bytes));
    return path;
}

} // namespace

TEST(ControlBlocks, aPlainTextTakesTheBlockBeforeItAndTheImageItsOwn)
{
    QTemporaryDir dir;
    struct Case {
        bool firstTransparent;
    };
    for (const bool firstTransparent : {false, true}) {
        SCOPED_TRACE(firstTransparent);
        // The block before the plain text would make index 1 transparent.
        const QString file = written(dir, "text.gif",
                                     header() + control(50, firstTransparent, 1) + plainText() + control(14)
                                         + picture(1) + control(30) + picture(2) + ";");
        gif::TGIFImage image;
        image.LoadFromFile(file);
        ASSERT_EQ(image.Images().Count(), 2);
        ASSERT_TRUE(image.Images()[0]->GraphicControlExtension());
        EXPECT_EQ(image.Images()[0]->GraphicControlExtension()->DelayTime(), 14);
        EXPECT_EQ(image.Images()[0]->TransparentIndex(), -1);

        Document d;
        d.child.Charge(file);
        ASSERT_EQ(d.child.ImageList1.count(), 2);
        EXPECT_EQ(d.child.frameDelay(0), 14);
        EXPECT_EQ(d.child.frameDelay(1), 30);
        EXPECT_FALSE(d.child.TransparentBackground);  // nothing shows the page

        // Written again by the codec, the file still reads so.
        const QString recoded = dir.filePath("recoded.gif");
        image.SaveToFile(recoded);
        gif::TGIFImage again;
        again.LoadFromFile(recoded);
        EXPECT_EQ(again.Images()[0]->GraphicControlExtension()->DelayTime(), 14);

        if (testsupport::havePillow()) {
            // The independent decoder gives the image the same time.
            for (const QString& path : {file, recoded}) {
                const Played played = testsupport::composeWithPillow(path);
                ASSERT_EQ(played.durations.size(), 2u);
                EXPECT_EQ(played.durations[0], 140);
            }
        }
    }
}

TEST(ControlBlocks, anImageWithoutItsOwnBlockAfterAPlainTextHasNone)
{
    QTemporaryDir dir;
    const QString file = written(dir, "text.gif", header() + control(50) + plainText() + picture(1) + ";");
    gif::TGIFImage image;
    image.LoadFromFile(file);
    ASSERT_EQ(image.Images().Count(), 1);
    EXPECT_EQ(image.Images()[0]->GraphicControlExtension(), nullptr);
    Document d;
    d.child.Charge(file);
    EXPECT_EQ(d.child.frameDelay(0), 10);  // as a frame without a control block
}

TEST(LoopBlock, aLateOneIsHonouredAndWrittenAtTheStart)
{
    QTemporaryDir dir;
    const QString file =
        written(dir, "late.gif", header() + control(20) + picture(1) + loop(3) + control(20) + picture(2) + ";");
    Document d;
    d.child.Charge(file);
    EXPECT_EQ(d.child.RepeatCount, 3);
    d.child.FileName = dir.filePath("saved.gif");
    ASSERT_TRUE(d.child.Sauve(0));
    gif::TGIFImage saved;
    saved.LoadFromFile(d.child.FileName);
    const auto& first = saved.Images()[0]->Extensions();
    ASSERT_GE(first.Count(), 1);
    const auto* written = dynamic_cast<const gif::TGIFAppExtNSLoop*>(first.Items(0));
    ASSERT_NE(written, nullptr);
    EXPECT_EQ(written->LoopCount(), 3);
    EXPECT_EQ(loopCountOf(saved), 3);
    if (testsupport::havePillow()) {
        EXPECT_EQ(testsupport::composeWithPillow(d.child.FileName).loop, 3);
    }
}

TEST(KeptBlocks, commentsAndApplicationBlocksAreWrittenBackAtTheStart)
{
    QTemporaryDir dir;
    const QByteArray blocks[] = {comment("made by hand"), xmp(), comment("second frame")};
    const QString file = written(dir, "notes.gif",
                                 header() + loop(0) + blocks[0] + blocks[1] + control(20) + picture(1) + blocks[2]
                                     + control(20) + picture(2) + ";");
    Document d;
    d.child.Charge(file);
    d.child.CurrentIndex = 1;
    d.child.LitCadre();
    d.child.MiroirH();  // an edit: the blocks still go with the file
    d.child.FileName = dir.filePath("saved.gif");
    ASSERT_TRUE(d.child.Sauve(0));
    QFile f(d.child.FileName);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray saved = f.readAll();
    // Loop block, then the blocks in file order, before the first image.
    const QByteArray expected = loop(0) + blocks[0] + blocks[1] + blocks[2];
    const qsizetype at = saved.indexOf(expected);
    ASSERT_GE(at, 0);
    EXPECT_LT(at, saved.indexOf(QByteArray::fromHex("2c00000000")));
    EXPECT_EQ(saved.count(QByteArray("made by hand")), 1);

    // A new document starts without them.
    d.child.Nouveau();
    EXPECT_TRUE(d.child.keptBlocks.empty());
}

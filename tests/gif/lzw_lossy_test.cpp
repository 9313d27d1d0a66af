// Lossy LZW coding: every pixel stays within the tolerance of its colour
// (read back by our decoder, Pillow and giflib), a tolerance of 0 or one no
// two colours are within writes exactly what the exact coder writes, and
// near colours make the data smaller.
#include "document/gifbuild.h"
#include "gif/compose.h"
#include "gif/gifimage.h"
#include "gif/lzw.h"
#include "support/reference.h"
#include "support/testsupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <tuple>

#ifdef ORUGIF_HAVE_GIFLIB
#include <gif_lib.h>
#endif

using namespace orugif::gif;

namespace {

struct Picture {
    int width, height;
    std::vector<GIFColor> palette;
    std::vector<std::uint8_t> pixels;
};

// A picture of near colours: a 256-entry ramp of a warm gradient, pixels
// following a diagonal with noise (what a reduced photograph looks like to
// the coder), or a few flat areas with scattered near entries.
Picture picture(int kind, int width, int height)
{
    Picture p{width, height, {}, std::vector<std::uint8_t>(std::size_t(width) * std::size_t(height))};
    for (int i = 0; i < 256; ++i)
        p.palette.push_back({std::uint8_t(i), std::uint8_t(i * 3 / 4), std::uint8_t(255 - i)});
    std::mt19937 rng(std::uint32_t(kind * 977 + width));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int v = 0;
            if (kind == 0)
                v = (x + y) * 255 / std::max(1, width + height - 2) + int(rng() % 9) - 4;
            else
                v = (x / 7 + y / 5) % 4 * 60 + (rng() % 5 == 0 ? int(rng() % 7) : 0);
            p.pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)] = std::uint8_t(std::clamp(v, 0, 255));
        }
    return p;
}

std::vector<std::uint8_t> encodeLossy(const Picture& p, bool interlaced, int tolerance, int transparent = -1)
{
    ByteWriter out;
    EncodeImageLossy(out, 256, p.pixels.data(), interlaced, p.height, p.width, p.palette, transparent, tolerance);
    return out.data();
}

std::vector<std::uint8_t> encodeExact(const Picture& p, bool interlaced)
{
    ByteWriter out;
    EncodeImage(out, 256, p.pixels.data(), interlaced, p.height, p.width);
    return out.data();
}

std::vector<std::uint8_t> decode(const std::vector<std::uint8_t>& data, int width, int height, bool interlaced)
{
    std::vector<std::uint8_t> pixels(std::size_t(width) * std::size_t(height));
    ByteReader in(data);
    int warnings = 0;
    DecodeImageData(in, pixels, width, height, interlaced, 0, [&warnings](const char*) { ++warnings; });
    EXPECT_EQ(warnings, 0);
    return pixels;
}

int channelDifference(const GIFColor& a, const GIFColor& b)
{
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

int channelDifference(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

using LossyCase = std::tuple<int, int, bool>;  // picture kind, tolerance, interlaced

class LossyCoding : public ::testing::TestWithParam<LossyCase> {};

TEST_P(LossyCoding, everyPixelStaysWithinTheToleranceAndTheTransparentIndexIsKept)
{
    const auto [kind, tolerance, interlaced] = GetParam();
    Picture p = picture(kind, 173, 61);
    const int transparent = 60;
    const std::vector<std::uint8_t> data = encodeLossy(p, interlaced, tolerance, transparent);
    const std::vector<std::uint8_t> back = decode(data, p.width, p.height, interlaced);
    int worst = 0;
    for (std::size_t i = 0; i < back.size(); ++i) {
        ASSERT_EQ(back[i] == transparent, p.pixels[i] == transparent) << "pixel " << i;
        worst = std::max(worst, channelDifference(p.palette[back[i]], p.palette[p.pixels[i]]));
    }
    EXPECT_LE(worst, tolerance);
    // A string a little shorter but much nearer may be taken: never more
    // than a few codes over the exact coding.
    EXPECT_LE(data.size(), encodeExact(p, interlaced).size() * 102 / 100);
}

INSTANTIATE_TEST_SUITE_P(KindsTolerancesAndInterlace, LossyCoding,
                         ::testing::Combine(::testing::Values(0, 1), ::testing::Values(1, 6, 40, 200),
                                            ::testing::Bool()));

TEST(LossyCodingExactness, toleranceZeroOrBelowTheNearestPairWritesTheExactCodes)
{
    for (const bool interlaced : {false, true}) {
        Picture p = picture(0, 97, 45);
        EXPECT_EQ(encodeLossy(p, interlaced, 0), encodeExact(p, interlaced));
        // Entries 16 apart in every channel: a tolerance of 15 finds none near.
        for (int i = 0; i < 256; ++i)
            p.palette[std::size_t(i)] = {std::uint8_t(i / 16 * 16), std::uint8_t(i % 16 * 16), std::uint8_t(i * 7)};
        EXPECT_EQ(encodeLossy(p, interlaced, 15), encodeExact(p, interlaced));
    }
}

TEST(LossyCodingSize, nearColoursMakeTheDataMuchSmaller)
{
    const Picture p = picture(0, 320, 200);
    const std::size_t exact = encodeExact(p, false).size();
    const std::size_t lossy = encodeLossy(p, false, 12).size();
    EXPECT_LT(lossy * 10, exact * 7) << exact << " bytes exact, " << lossy << " lossy";
}

// A photograph saved through the document's build with and without lossy
// coding: each pixel every decoder shows is within the tolerance of the
// exact file's.
std::vector<QImage> photoFrames()
{
    const QImage photo = QImage(testsupport::testdata("photos/chelsea.png")).convertToFormat(QImage::Format_RGB32);
    std::vector<QImage> frames;
    for (int i = 0; i < 3; ++i)
        frames.push_back(photo.copy(i * 6, i * 3, 160, 120));
    return frames;
}

QByteArray saved(const std::vector<QImage>& frames, int tolerance, bool merge)
{
    orugif::AnimationSettings settings;
    settings.ColorReduction = 7;
    settings.DitherMode = 1;
    settings.MergeDuplicatePixels = merge;
    settings.RemoveLocalPalettes = merge;
    settings.LossyTolerance = tolerance;
    TGIFImage image;
    orugif::addFrames(image, frames, settings);
    orugif::optimise(image, settings);
    return image.SaveToData();
}

std::vector<QImage> ours(const QByteArray& bytes)
{
    TGIFImage image;
    image.LoadFromData({reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())});
    std::vector<QImage> frames = ComposeFrames(image);
    for (QImage& f : frames)
        f = f.convertToFormat(QImage::Format_RGB32);
    return frames;
}

void expectWithin(const std::vector<QImage>& exact, const std::vector<QImage>& lossy, int tolerance, const char* who)
{
    ASSERT_EQ(exact.size(), lossy.size()) << who;
    for (std::size_t f = 0; f < exact.size(); ++f) {
        const QImage a = exact[f].convertToFormat(QImage::Format_RGB32);
        const QImage b = lossy[f].convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(a.size(), b.size()) << who;
        int worst = 0;
        for (int y = 0; y < a.height(); ++y) {
            const auto* p = reinterpret_cast<const QRgb*>(a.constScanLine(y));
            const auto* q = reinterpret_cast<const QRgb*>(b.constScanLine(y));
            for (int x = 0; x < a.width(); ++x)
                worst = std::max(worst, channelDifference(p[x], q[x]));
        }
        EXPECT_LE(worst, tolerance) << who << ", frame " << f;
    }
}

#ifdef ORUGIF_HAVE_GIFLIB
// giflib's frames of a file whose frames each cover the screen.
std::vector<QImage> withGiflib(const QString& path)
{
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.toLocal8Bit().constData(), &error);
    EXPECT_NE(gif, nullptr);
    std::vector<QImage> frames;
    if (!gif)
        return frames;
    EXPECT_EQ(DGifSlurp(gif), GIF_OK);
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& s = gif->SavedImages[i];
        const ColorMapObject* map = s.ImageDesc.ColorMap ? s.ImageDesc.ColorMap : gif->SColorMap;
        QImage frame(s.ImageDesc.Width, s.ImageDesc.Height, QImage::Format_RGB32);
        for (int y = 0; y < frame.height() && map; ++y) {
            auto* row = reinterpret_cast<QRgb*>(frame.scanLine(y));
            for (int x = 0; x < frame.width(); ++x) {
                const GifColorType c = map->Colors[s.RasterBits[y * frame.width() + x]];
                row[x] = qRgb(c.Red, c.Green, c.Blue);
            }
        }
        frames.push_back(frame);
    }
    DGifCloseFile(gif, &error);
    return frames;
}
#endif

TEST(LossyFile, everyDecoderShowsEachPixelWithinTheTolerance)
{
    const std::vector<QImage> frames = photoFrames();
    QTemporaryDir dir;
    for (const bool merge : {false, true})
        for (const int tolerance : {10, 80}) {
            const QByteArray exact = saved(frames, 0, merge);
            const QByteArray lossy = saved(frames, tolerance, merge);
            EXPECT_LT(lossy.size(), exact.size());
            expectWithin(ours(exact), ours(lossy), tolerance, "ours");
            const QString a = dir.filePath("exact.gif"), b = dir.filePath("lossy.gif");
            ASSERT_TRUE(testsupport::writeBytes(a, exact) && testsupport::writeBytes(b, lossy));
            if (testsupport::havePillow())
                expectWithin(testsupport::composeWithPillow(a).frames, testsupport::composeWithPillow(b).frames,
                             tolerance, "Pillow");
#ifdef ORUGIF_HAVE_GIFLIB
            if (!merge)
                expectWithin(withGiflib(a), withGiflib(b), tolerance, "giflib");
#endif
        }
}

} // namespace

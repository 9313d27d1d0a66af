// PNG reader: the PngSuite corpus against its manifest, and the file
// structures PngSuite does not exercise.
#include "formats/picture.h"
#include "formats/png.h"
#include "manifest.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <zlib.h>

using namespace orugif::formats;
using formatstest::ManifestRow;

namespace {

// ---- The PngSuite manifest ---------------------------------------------

std::vector<ManifestRow> pngSuite() { return formatstest::readManifest("pngsuite/MANIFEST.tsv"); }

class PngSuite : public ::testing::TestWithParam<ManifestRow> {};

TEST(PngSuiteCorpus, manifestIsPresent) { EXPECT_GE(pngSuite().size(), 170u); }

TEST_P(PngSuite, importsAsTheManifestSaysOrIsRefused)
{
    const ManifestRow& row = GetParam();
    const QString file = row["file"];
    const QByteArray bytes = formatstest::readFile(testsupport::testdata("pngsuite/" + file));
    ASSERT_FALSE(bytes.isEmpty()) << file.toStdString();

    if (row["expected"] == "reject") {
        try {
            TPNGImage png;
            png.LoadFromBytes(bytes);
            FAIL() << file.toStdString() << " was accepted";
        } catch (const EPNGImageException& e) {
            EXPECT_GT(std::strlen(e.what()), 20u) << file.toStdString();
        }
        return;
    }

    TPNGImage png;
    ASSERT_NO_THROW(png.LoadFromBytes(bytes)) << file.toStdString();
    ASSERT_EQ(png.Width(), row["width"].toInt()) << file.toStdString();
    ASSERT_EQ(png.Height(), row["height"].toInt()) << file.toStdString();

    // Imported onto a white frame.
    QImage frame = testsupport::solid(png.Width(), png.Height(), 0xffffff);
    drawPicture(frame, png.Picture(), 0, 0);
    EXPECT_EQ(formatstest::rgbSha256(frame), row["editor_rgb_sha256"]) << "picture of " << file.toStdString();

    // The classic bitmap: alpha dropped, tRNS not applied, gamma applied.
    EXPECT_EQ(formatstest::rgbSha256(png.Bitmap()), row["gamma_rgb_sha256"]) << "bitmap of " << file.toStdString();

    // The simple entry gives the same picture.
    EXPECT_EQ(loadPng(bytes), png.Picture()) << file.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Manifest, PngSuite, ::testing::ValuesIn(pngSuite()),
                         [](const auto& info) { return formatstest::testName(info.param["file"]); });

// ---- Hand-made files -----------------------------------------------------

QByteArray be32(quint32 v)
{
    QByteArray b(4, 0);
    for (int i = 0; i < 4; ++i)
        b[i] = char(v >> (24 - 8 * i));
    return b;
}

QByteArray chunk(const char* type, const QByteArray& data)
{
    QByteArray typeAndData = QByteArray(type, 4) + data;
    const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(typeAndData.constData()), uInt(typeAndData.size()));
    return be32(quint32(data.size())) + typeAndData + be32(quint32(crc));
}

QByteArray header(quint32 w, quint32 h, int depth, int colourType, int interlace = 0)
{
    QByteArray d = be32(w) + be32(h);
    d += char(depth);
    d += char(colourType);
    d += char(0);
    d += char(0);
    d += char(interlace);
    return chunk("IHDR", d);
}

QByteArray deflate(const QByteArray& raw)
{
    uLongf size = compressBound(uLong(raw.size()));
    QByteArray out(qsizetype(size), 0);
    compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.constData()),
             uLong(raw.size()));
    out.resize(qsizetype(size));
    return out;
}

const QByteArray kSignature("\x89PNG\r\n\x1a\n", 8);

// A PNG of the given header whose scanlines (filter byte included) are raw,
// with extra chunks placed before IDAT.
QByteArray makePng(const QByteArray& ihdr, const QByteArray& raw, const QByteArray& before = {})
{
    return kSignature + ihdr + before + chunk("IDAT", deflate(raw)) + chunk("IEND", {});
}

// A 3 x 2 RGB picture, filter 0 on every line.
QByteArray rgbScanlines()
{
    return QByteArray("\0\xff\0\0\0\xff\0\0\0\xff", 10) + QByteArray("\0\x10\x20\x30\x40\x50\x60\x70\x80\x90", 10);
}

std::string messageOf(const QByteArray& file)
{
    try {
        TPNGImage png;
        png.LoadFromBytes(file);
    } catch (const EPNGImageException& e) {
        return e.what();
    }
    return "accepted";
}

TEST(PngChunks, unknownCriticalChunkIsRefusedAndUnknownAncillaryChunkIsKept)
{
    const QByteArray critical = makePng(header(3, 2, 8, 2), rgbScanlines(), chunk("ZZZZ", "x"));
    EXPECT_EQ(messageOf(critical),
              "The currently being loaded image contains critical(s) chunk(s) not reconized by the decoder.");

    TPNGImage png;
    png.LoadFromBytes(makePng(header(3, 2, 8, 2), rgbScanlines(), chunk("zzZZ", "note") + chunk("tIME", "1234567")));
    EXPECT_EQ(png.Picture().pixel(1, 0), qRgb(0, 255, 0));
    QStringList types;
    for (const TChunk& c : png.Chunks())
        types << QString::fromLatin1(c.type);
    EXPECT_EQ(types.join(' '), "IHDR zzZZ tIME IDAT IEND");
    EXPECT_EQ(png.Chunks()[1].data, QByteArray("note"));
}

TEST(PngChunks, imageDataSplitOverThreeChunksDecodesAsOneStream)
{
    const QByteArray z = deflate(rgbScanlines());
    const qsizetype a = z.size() / 3, b = 2 * z.size() / 3;
    const QByteArray file = kSignature + header(3, 2, 8, 2) + chunk("IDAT", z.left(a)) + chunk("tEXt", "k\0v")
        + chunk("IDAT", z.mid(a, b - a)) + chunk("IDAT", z.mid(b)) + chunk("IEND", {});
    TPNGImage png;
    png.LoadFromBytes(file);
    EXPECT_EQ(png.Picture(), loadPng(makePng(header(3, 2, 8, 2), rgbScanlines())));
    EXPECT_EQ(png.Picture().pixel(2, 1), qRgb(0x70, 0x80, 0x90));
    int idats = 0;
    for (const TChunk& c : png.Chunks())
        if (c.type == "IDAT") {
            ++idats;
            EXPECT_EQ(c.data, z);
        }
    EXPECT_EQ(idats, 1);
}

TEST(PngChunks, structuralFaultsGiveTheirMessages)
{
    QByteArray badCrc = makePng(header(3, 2, 8, 2), rgbScanlines());
    badCrc[8 + 8 + 13] = char(badCrc[8 + 8 + 13] ^ 1); // IHDR CRC
    EXPECT_EQ(messageOf(badCrc), "Can't read the PNG image, it has corrupted data. ");

    QByteArray badSignature = makePng(header(3, 2, 8, 2), rgbScanlines());
    badSignature[1] = 'p';
    EXPECT_EQ(messageOf(badSignature), "Invalid Portable Graphics Network image, it has an invalid file header.");

    EXPECT_EQ(messageOf(kSignature + chunk("gAMA", be32(45455)) + header(3, 2, 8, 2) + chunk("IEND", {})),
              "This PNG image is invalid, the IHDR chunk is either not present or it isn't the first chunk.");
    EXPECT_EQ(messageOf(kSignature + header(3, 2, 8, 2) + chunk("IEND", {})),
              "The current image being loaded has no data and could not be loaded.");
    EXPECT_EQ(messageOf(makePng(header(3, 2, 8, 3), QByteArray(8, 0))),
              "The current image requeries a palette but it is not avaliable.");
    EXPECT_EQ(messageOf(makePng(header(3, 2, 8, 3), QByteArray(8, 0), chunk("PLTE", "abcd"))),
              "The current image being loaded has an invalid palette!");
    QByteArray filter5 = rgbScanlines();
    filter5[10] = 5;
    EXPECT_EQ(messageOf(makePng(header(3, 2, 8, 2), filter5)),
              "The image could not be loaded because it uses an unknown set of filter types.");
    // Image data that ends before the last row.
    EXPECT_EQ(messageOf(makePng(header(3, 2, 8, 2), rgbScanlines().left(15))),
              "Can't read the PNG image, it has corrupted data. ");
}

TEST(PngHeader, headersTheStandardForbidsAreRefused)
{
    const QByteArray rows = rgbScanlines();
    EXPECT_EQ(messageOf(makePng(header(3, 2, 8, 5), rows)),
              "Could not read the image because it has an unknown color type.");
    for (const auto& [depth, type] : {std::pair{16, 3}, {4, 2}, {1, 4}, {2, 6}, {3, 0}, {0, 0}})
        EXPECT_EQ(messageOf(makePng(header(3, 2, depth, type), rows)),
                  "Could not read the image because its bit depth is not allowed for its color type.")
            << depth << "/" << type;
    EXPECT_EQ(messageOf(makePng(header(0, 2, 8, 2), rows)),
              "This PNG image is invalid, its width or height is zero or out of range.");
    EXPECT_EQ(messageOf(makePng(header(3, 0x80000000u, 8, 2), rows)),
              "This PNG image is invalid, its width or height is zero or out of range.");
    EXPECT_EQ(messageOf(makePng(header(3, 2, 8, 2, 2), rows)), "The image has an unknown interlace method.");

    QByteArray d = be32(3) + be32(2) + QByteArray("\x08\x02\x01\x00\x00", 5);
    EXPECT_EQ(messageOf(kSignature + chunk("IHDR", d) + chunk("IDAT", deflate(rows))),
              "The image uses an unknown compression method.");
    d[10] = 0;
    d[11] = 1;
    EXPECT_EQ(messageOf(kSignature + chunk("IHDR", d) + chunk("IDAT", deflate(rows))),
              "The image uses an unknown filter method.");
}

TEST(PngHeader, hugeSizeIsRefusedBeforeAnyAllocation)
{
    QElapsedTimer timer;
    timer.start();
    const std::string message = messageOf(makePng(header(100000, 100000, 8, 6), QByteArray(100, 0)));
    EXPECT_EQ(message, "The PNG image is too large to be loaded (100000 x 100000 pixels).");
    EXPECT_LT(timer.elapsed(), 1000);
}

// ---- The classic bitmap view ---------------------------------------------

TEST(PngBitmap, twoBitGreyBecomesFourBitsWithRepeatedLevels)
{
    // 4 x 1: samples 0, 1, 2, 3.
    TPNGImage png;
    png.LoadFromBytes(makePng(header(4, 1, 2, 0), QByteArray("\0\x1b", 2)));
    EXPECT_EQ(png.BitCount(), 4);
    const QList<QRgb> table = png.Bitmap().colorTable();
    ASSERT_EQ(table.size(), 16);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(qRed(table[i]), (i % 4) * 85) << i;
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(png.Bitmap().pixelIndex(x, 0), x);
}

TEST(PngBitmap, sixteenBitRgbKeepsHighBytesAndTransparentColour)
{
    // 2 x 1 RGB 16: (0x1234, 0x5678, 0x9abc) and the tRNS colour.
    const QByteArray row("\0\x12\x34\x56\x78\x9a\xbc\x01\x00\x02\x00\x03\x00", 13);
    TPNGImage png;
    png.LoadFromBytes(makePng(header(2, 1, 16, 2), row, chunk("tRNS", QByteArray("\x01\x00\x02\x00\x03\x00", 6))));
    EXPECT_EQ(png.BitCount(), 24);
    EXPECT_EQ(png.Bitmap().pixel(0, 0), qRgb(0x12, 0x56, 0x9a));
    EXPECT_TRUE(png.Transparent());
    EXPECT_EQ(png.TransparentColor(), orugif::colourFromRgb(1, 2, 3));
    // The picture keeps the pixel that matches all 16 bits transparent.
    EXPECT_EQ(qAlpha(png.Picture().pixel(0, 0)), 255);
    EXPECT_EQ(png.Picture().pixel(1, 0), qRgba(1, 2, 3, 0));
}

TEST(PngBitmap, adam7OfOnePixelDecodesFromTheFirstPass)
{
    TPNGImage png;
    png.LoadFromBytes(makePng(header(1, 1, 8, 2, 1), QByteArray("\0\x11\x22\x33", 4)));
    EXPECT_EQ(png.Picture().pixel(0, 0), qRgb(0x11, 0x22, 0x33));
    EXPECT_EQ(png.Bitmap().pixel(0, 0), qRgb(0x11, 0x22, 0x33));
}

TEST(PngProgress, reportsEveryRowOfAPlainImage)
{
    TPNGImage png;
    QList<int> seen;
    png.OnProgress = [&](const QString& message, int percent) {
        EXPECT_EQ(message, "Drawing...");
        seen << percent;
    };
    png.LoadFromBytes(makePng(header(3, 2, 8, 2), rgbScanlines()));
    EXPECT_EQ(seen, (QList<int>{0, 50}));
}

// ---- Damaged files -------------------------------------------------------

TEST(PngDamage, everyTruncationIsRefusedCleanly)
{
    for (const char* name : {"basn6a08.png", "basi3p02.png", "tbrn2c08.png"}) {
        const QByteArray file = formatstest::readFile(testsupport::testdata(QString("pngsuite/") + name));
        ASSERT_FALSE(file.isEmpty());
        // Cutting only the IEND chunk still leaves a complete image.
        for (qsizetype n = 0; n < file.size() - 12; ++n)
            EXPECT_THROW(loadPng(file.left(n)), EPNGImageException) << name << " cut at " << n;
    }
}

// ---- Drawing onto a frame ------------------------------------------------

TEST(DrawPicture, blendsByAlphaAndCutsAtTheFrameEdges)
{
    QImage frame = testsupport::solid(3, 3, 0x204060);
    QImage pic(2, 2, QImage::Format_ARGB32);
    pic.fill(qRgba(200, 100, 0, 128));
    pic.setPixel(1, 1, qRgba(1, 2, 3, 0));
    drawPicture(frame, pic, 2, -1); // only pixel (0, 1) of the picture lands, at (2, 0)
    EXPECT_EQ(frame.pixel(2, 0), qRgb((200 * 128 + 0x20 * 127 + 127) / 255, (100 * 128 + 0x40 * 127 + 127) / 255,
                                      (0x60 * 127 + 127) / 255));
    EXPECT_EQ(frame.pixel(1, 0), qRgb(0x20, 0x40, 0x60));
    EXPECT_EQ(frame.pixel(2, 1), qRgb(0x20, 0x40, 0x60));
}

} // namespace

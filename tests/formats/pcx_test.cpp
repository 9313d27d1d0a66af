// PCX codec: the corpus against its manifest, write-then-read round trips,
// the run encoding and the rows that runs and padding must never leave.
#include "formats/pcx.h"
#include "manifest.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orugif::formats;
using formatstest::ManifestRow;

namespace {

std::vector<ManifestRow> pcxCorpus() { return formatstest::readManifest("pcx/MANIFEST.tsv"); }

class PcxCorpus : public ::testing::TestWithParam<ManifestRow> {};

TEST(PcxCorpusManifest, isPresent) { EXPECT_GE(pcxCorpus().size(), 25u); }

TEST_P(PcxCorpus, decodesToTheManifestPixelsOrIsRefused)
{
    const ManifestRow& row = GetParam();
    const std::string file = row["file"].toStdString();
    QImage image;
    int kind = -1;
    const bool ok = LoadPCXFile(testsupport::testdata("pcx/" + row["file"]), image, kind);
    if (row["expected"] == "reject") {
        EXPECT_FALSE(ok) << file;
        EXPECT_TRUE(image.isNull()) << file;
        return;
    }
    ASSERT_TRUE(ok) << file;
    EXPECT_EQ(kind, row["kind"].toInt()) << file;
    EXPECT_EQ(image.width(), row["width"].toInt()) << file;
    EXPECT_EQ(image.height(), row["height"].toInt()) << file;
    // Pixels by construction where the corpus has them, else the reference
    // decoder, which agrees with the other one on these files.
    const QString truth = row["truth_rgb_sha256"] != "-" ? row["truth_rgb_sha256"] : row["pil_rgb_sha256"];
    EXPECT_EQ(formatstest::rgbSha256(image), truth) << file;
}

INSTANTIATE_TEST_SUITE_P(Manifest, PcxCorpus, ::testing::ValuesIn(pcxCorpus()),
                         [](const auto& info) { return formatstest::testName(info.param["file"]); });

// ---- Round trips -----------------------------------------------------------

QImage randomIndexed(int w, int h, int colours, QImage::Format format, quint32 seed)
{
    QRandomGenerator rng(seed);
    QImage image(w, h, format);
    QList<QRgb> table;
    for (int i = 0; i < colours; ++i)
        table.append(qRgb(int(rng.bounded(256)), int(rng.bounded(256)), int(rng.bounded(256))));
    image.setColorTable(table);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            // Stretches of equal pixels so runs of every length occur.
            const int v = (x / (1 + int(rng.bounded(70))) + y) % colours;
            image.setPixel(x, y, uint(v));
        }
    return image;
}

QImage randomRgb(int w, int h, quint32 seed)
{
    QRandomGenerator rng(seed);
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            row[x] = rng.bounded(3) == 0 ? qRgb(200, 191, 192) : qRgb(x * 7, y * 3, int(rng.bounded(256)));
    }
    return image;
}

class PcxRoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(PcxRoundTrip, writtenPicturesReadBackUnchanged)
{
    const int bits = GetParam();
    for (const auto& [w, h] : {std::pair{1, 1}, {2, 3}, {7, 5}, {8, 2}, {9, 4}, {33, 7}, {130, 3}, {301, 2}}) {
        QImage source;
        int kind = 0;
        switch (bits) {
        case 1: source = randomIndexed(w, h, 2, QImage::Format_Mono, quint32(w * h)); kind = pcxMonoColour; break;
        case 4: source = randomIndexed(w, h, 16, QImage::Format_Indexed8, quint32(w + h)); kind = pcx16Colour; break;
        case 8: source = randomIndexed(w, h, 256, QImage::Format_Indexed8, quint32(w)); kind = pcx256Colour; break;
        default: source = randomRgb(w, h, quint32(h)); kind = pcxTrueColour;
        }
        const QByteArray file = encodePcx(source, bits);
        ASSERT_FALSE(file.isEmpty());
        int readKind = -1;
        const QImage back = decodePcx(file, &readKind);
        ASSERT_FALSE(back.isNull()) << bits << " bits " << w << "x" << h;
        EXPECT_EQ(readKind, kind);
        EXPECT_EQ(back.size(), source.size());
        EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), source.convertToFormat(QImage::Format_RGB32))
            << bits << " bits " << w << "x" << h;
    }
}

INSTANTIATE_TEST_SUITE_P(Bits, PcxRoundTrip, ::testing::Values(1, 4, 8, 24));

TEST(PcxPicture, frameExportedThroughTheFileReadsBack)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("frame.pcx");
    const QImage frame = randomRgb(45, 17, 3);
    TPCX pcx;
    pcx.Assign(frame);
    EXPECT_EQ(pcx.Kind(), pcxTrueColour);
    ASSERT_TRUE(pcx.SaveToFile(path));
    QImage back;
    int kind = -1;
    ASSERT_TRUE(LoadPCXFile(path, back, kind));
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), frame);

    // Grey four-bit kind: the picture becomes 16 levels and reads back as such.
    pcx.SetKind(pcx16Grey);
    ASSERT_TRUE(pcx.SaveToFile(path));
    ASSERT_TRUE(LoadPCXFile(path, back, kind));
    EXPECT_EQ(kind, pcx16Colour); // written with a colour header palette
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), pcx.Bitmap().convertToFormat(QImage::Format_RGB32));

    // Unsupported kinds make the picture empty, and nothing is written.
    pcx.SetKind(pcxFourPlanes);
    EXPECT_TRUE(pcx.GetEmpty());
    EXPECT_FALSE(pcx.SaveToFile(dir.filePath("none.pcx")));
    EXPECT_FALSE(QFile::exists(dir.filePath("none.pcx")));
    EXPECT_FALSE(LoadPCXFile(dir.filePath("missing.pcx"), back, kind));

    // A full disk: the previous file stays and the save says it failed.
    pcx.Assign(frame);
    ASSERT_TRUE(pcx.SaveToFile(path));
    const QByteArray previous = formatstest::readFile(path);
    ASSERT_GT(previous.size(), 1024);
    pcx.Assign(randomRgb(45, 17, 4));
    EXPECT_EQ(testsupport::withFileSizeLimit(1024, [&] { return pcx.SaveToFile(path) ? 1 : 0; }), 0);
    EXPECT_EQ(formatstest::readFile(path), previous);
    EXPECT_TRUE(back.isNull());
}

// ---- Run encoding ----------------------------------------------------------

QByteArray firstRow(const QImage& image, int bits)
{
    const QByteArray file = encodePcx(image, bits);
    return file.mid(128, file.size() - 128 - (bits == 8 ? 769 : 0));
}

TEST(PcxRuns, longRunsHighBytesAndLowBytesFollowTheEncodingRules)
{
    QImage fives(130, 1, QImage::Format_Indexed8);
    fives.setColorCount(256);
    fives.fill(5);
    EXPECT_EQ(firstRow(fives, 8), QByteArray("\xff\x05\xff\x05\xc4\x05", 6));

    QImage single(1, 1, QImage::Format_Indexed8);
    single.setColorCount(256);
    single.fill(200);
    // The line is padded to an even length with a zero byte.
    EXPECT_EQ(firstRow(single, 8), QByteArray("\xc1\xc8\x00", 3));
    single.fill(191);
    EXPECT_EQ(firstRow(single, 8), QByteArray("\xbf\x00", 2));

    // 63 equal bytes make exactly one (255, v) pair; runs stop at each plane.
    QImage grey(63, 1, QImage::Format_RGB32);
    grey.fill(qRgb(9, 9, 9));
    EXPECT_EQ(firstRow(grey, 24), QByteArray("\xff\x09\x00\xff\x09\x00\xff\x09\x00", 9));
}

// ---- Rows, padding and damaged files --------------------------------------

// An 8-bit single-plane file with a colour palette block.
QByteArray pcx8(int width, int height, int bytesPerLine, const QByteArray& data)
{
    QByteArray file(128, 0);
    file[0] = 10;
    file[1] = 5;
    file[2] = 1;
    file[3] = 8;
    file[8] = char((width - 1) & 0xff);
    file[9] = char((width - 1) >> 8);
    file[10] = char(height - 1);
    file[65] = 1;
    file[66] = char(bytesPerLine & 0xff);
    file[67] = char(bytesPerLine >> 8);
    file[68] = 1;
    file += data;
    file += char(12);
    for (int i = 0; i < 256; ++i)
        file += QByteArray(3, char(i));
    return file;
}

TEST(PcxRows, runsCarryAcrossLinesAndPaddingIsDropped)
{
    // 3 wide, 6 bytes a line: one run of 9 fills line 1 and half of line 2.
    const QImage image = decodePcx(pcx8(3, 2, 6, QByteArray("\xc9\x07\x01\x02\x03", 5)));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixelIndex(2, 0), 7);
    EXPECT_EQ(image.pixelIndex(0, 1), 7);
    EXPECT_EQ(image.pixelIndex(1, 1), 7);
    EXPECT_EQ(image.pixelIndex(2, 1), 7);

    // A line shorter than the row cannot fill it and is refused.
    EXPECT_TRUE(decodePcx(pcx8(10, 1, 4, QByteArray(20, 1))).isNull());
    // Data that ends before the last line.
    EXPECT_TRUE(decodePcx(pcx8(10, 2, 10, QByteArray(15, 1))).isNull());
    // The last run ends exactly on the last row and the rest is ignored.
    EXPECT_FALSE(decodePcx(pcx8(10, 2, 10, QByteArray("\xd4\x01\xff\xff", 4))).isNull());
}

TEST(PcxPalette, oneBitFileWithTwoEqualHeaderEntriesIsBlackAndWhite)
{
    // 8 x 1, colour palette information, the byte 0xF0 (written as a run of
    // one): four set pixels, then four clear ones.
    auto mono = [](QRgb first, QRgb second) {
        QByteArray file(128, 0);
        file[0] = 10;
        file[1] = 5;
        file[2] = 1;
        file[3] = 1;
        file[8] = 7;
        file[65] = 1;
        file[66] = 2;
        file[68] = 1;
        const QRgb entries[] = {first, second};
        for (int i = 0; i < 2; ++i) {
            file[16 + 3 * i] = char(qRed(entries[i]));
            file[17 + 3 * i] = char(qGreen(entries[i]));
            file[18 + 3 * i] = char(qBlue(entries[i]));
        }
        return decodePcx(file + QByteArray("\xc1\xf0\x00", 3)).convertToFormat(QImage::Format_RGB32);
    };
    struct Case {
        QRgb first, second, clear, set;
    };
    for (const Case& c : {Case{qRgb(0, 0, 0), qRgb(0, 0, 0), qRgb(0, 0, 0), qRgb(255, 255, 255)},
                          Case{qRgb(9, 9, 9), qRgb(9, 9, 9), qRgb(0, 0, 0), qRgb(255, 255, 255)},
                          Case{qRgb(0, 0, 128), qRgb(255, 255, 0), qRgb(0, 0, 128), qRgb(255, 255, 0)}}) {
        const QImage image = mono(c.first, c.second);
        ASSERT_EQ(image.size(), QSize(8, 1));
        EXPECT_EQ(image.pixel(0, 0), c.set);
        EXPECT_EQ(image.pixel(7, 0), c.clear);
    }
}

TEST(PcxRows, windowMaxBelowMinWrapsToAPositiveSize)
{
    QByteArray file = pcx8(1, 1, 4, QByteArray("\xc4\x03", 2));
    file[4] = char(0xfe); // x min 65534, x max 0: 3 wide
    file[5] = char(0xff);
    const QImage image = decodePcx(file);
    EXPECT_EQ(image.size(), QSize(3, 1));
}

TEST(PcxDamage, everyTruncationAndByteFlipIsHandledWithinBounds)
{
    for (const char* name : {"generated/24bit-runs-cross-planes.pcx", "generated/4bit-colour.pcx",
                             "generated/8bit-palette-oddwidth.pcx"}) {
        const QByteArray file = formatstest::readFile(testsupport::testdata(QString("pcx/") + name));
        ASSERT_FALSE(file.isEmpty());
        for (qsizetype n = 0; n < file.size(); ++n)
            (void)decodePcx(file.left(n));
        QRandomGenerator rng(7);
        for (int i = 0; i < 300; ++i) {
            QByteArray bad = file;
            bad[rng.bounded(int(bad.size()))] = char(rng.bounded(256));
            (void)decodePcx(bad);
        }
    }
    // A truncated 8-bit file loses its palette marker and is refused.
    const QByteArray file = formatstest::readFile(testsupport::testdata("pcx/generated/8bit-palette.pcx"));
    EXPECT_TRUE(decodePcx(file.left(file.size() - 1)).isNull());
}

} // namespace

// Replays tests/data/crashers: files that once made a reader fail or that
// exercise a guard against hostile input. A name starting with "refused-"
// must be refused; every other file must load. None may crash or overrun.
#include "common/error.h"
#include "formats/jpeg.h"
#include "formats/metafile.h"
#include "formats/pcx.h"
#include "formats/png.h"
#include "manifest.h"

#include <QDir>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <jpeglib.h>

using namespace orugif::formats;

namespace {

// The files of the picture readers tested here; GIF files have their own test.
std::vector<QString> crashers()
{
    std::vector<QString> files;
    const QDir dir(testsupport::testfile("data/crashers"));
    for (const QString& name : dir.entryList({"*.png", "*.pcx", "*.wmf", "*.emf", "*.jpg"}, QDir::Files, QDir::Name))
        files.push_back(name);
    return files;
}

class Crashers : public ::testing::TestWithParam<QString> {};

TEST(CrashersFolder, holdsFilesForEveryReader)
{
    QStringList suffixes;
    for (const QString& f : crashers())
        suffixes << f.section('.', -1);
    for (const char* s : {"png", "pcx", "wmf", "emf", "jpg"})
        EXPECT_TRUE(suffixes.contains(s)) << s;
}

TEST_P(Crashers, areHandledCleanly)
{
    const QString name = GetParam();
    const QByteArray bytes = formatstest::readFile(testsupport::testfile("data/crashers/" + name));
    const bool refused = name.startsWith("refused-");
    const QString suffix = name.section('.', -1);
    const std::string file = name.toStdString();
    if (suffix == "png") {
        if (refused) {
            EXPECT_THROW(loadPng(bytes), EPNGImageException) << file;
        } else {
            QImage image;
            EXPECT_NO_THROW(image = loadPng(bytes)) << file;
            EXPECT_FALSE(image.isNull()) << file;
        }
    } else if (suffix == "pcx") {
        EXPECT_EQ(decodePcx(bytes).isNull(), refused) << file;
    } else if (suffix == "wmf" || suffix == "emf") {
        if (refused) {
            EXPECT_THROW(renderMetafile(bytes), EMetafileException) << file;
        } else {
            QImage image;
            EXPECT_NO_THROW(image = renderMetafile(bytes)) << file;
            EXPECT_FALSE(image.isNull()) << file;
        }
    } else if (suffix == "jpg") {
        if (refused) {
            try {
                decodeJpeg(bytes);
                ADD_FAILURE() << file << " decoded";
            } catch (const orugif::Error& e) {
                EXPECT_TRUE(e.message().startsWith("Erreur JPEG #")) << e.what();
            }
        } else {
            QImage image;
            EXPECT_NO_THROW(image = decodeJpeg(bytes)) << file;
            EXPECT_FALSE(image.isNull()) << file;
        }
    } else {
        ADD_FAILURE() << "no reader for " << file;
    }
}

INSTANTIATE_TEST_SUITE_P(Folder, Crashers, ::testing::ValuesIn(crashers()),
                         [](const auto& info) { return formatstest::testName(info.param); });

TEST(CrasherPixels, adam7OfWidthOneAndRunsPastTheLastLineDecodeRight)
{
    const QImage png = loadPng(formatstest::readFile(testsupport::testfile("data/crashers/png-adam7-width-one.png")));
    ASSERT_EQ(png.size(), QSize(1, 8));
    for (int y = 0; y < 8; ++y)
        EXPECT_EQ(png.pixel(0, y), qRgb(y * 30, y * 30, y * 30)) << y;

    const QImage pcx = decodePcx(formatstest::readFile(testsupport::testfile("data/crashers/pcx-run-past-last-line.pcx")));
    ASSERT_EQ(pcx.size(), QSize(5, 2));
    EXPECT_EQ(pcx.pixelIndex(4, 1), 7);
}

} // namespace

// A progressive JPEG whose last scan is repeated past the limit is refused,
// and the message says why instead of giving a bare libjpeg code.
TEST(JpegScans, tooManyScansAreRefusedWithTheReason)
{
    QImage picture(16, 16, QImage::Format_RGB888);
    picture.fill(Qt::darkCyan);
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = 16;
    info.image_height = 16;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = picture.scanLine(int(info.next_scanline));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    const int written = info.num_scans;
    jpeg_destroy_compress(&info);
    QByteArray file(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    EXPECT_EQ(decodeJpeg(file).size(), QSize(16, 16));  // as written it is fine

    const qsizetype last = file.lastIndexOf("\xff\xda"), end = file.lastIndexOf("\xff\xd9");
    const QByteArray scan = file.mid(last, end - last);
    for (int i = written; i < 150; ++i)
        file.insert(file.lastIndexOf("\xff\xd9"), scan);
    try {
        decodeJpeg(file);
        FAIL() << "decoded";
    } catch (const orugif::Error& e) {
        EXPECT_TRUE(e.message().startsWith("Erreur JPEG #")) << e.what();
        EXPECT_TRUE(e.message().contains("plus de 100 passes")) << e.what();
    }
}

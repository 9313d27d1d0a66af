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
#include <gtest/gtest.h>

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

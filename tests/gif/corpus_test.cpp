// The public GIF corpus with its manifest: every readable file gives the
// reference index buffers and composed frames, refused files fail cleanly,
// damaged ones load with warnings. Where the editor's rules give another
// outcome than the suite, the case names the manifest's note.
#include "gif/compose.h"
#include "gif/gifimage.h"

#include "support/testsupport.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>
#include <gtest/gtest.h>

using namespace orugif::gif;

namespace {

struct Row {
    QString file, expected, indexHashes, composedHashes, note;
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.file.toStdString(); }

std::vector<Row> manifest()
{
    std::vector<Row> rows;
    QFile f(testsupport::testdata("gif/MANIFEST.tsv"));
    if (!f.open(QIODevice::ReadOnly))
        return rows;
    QTextStream in(&f);
    const QStringList header = in.readLine().split('\t');
    const auto col = [&header](const char* name) { return header.indexOf(QString::fromLatin1(name)); };
    const int file = col("file"), expected = col("expected"), index = col("subimage_index_sha256"),
              composed = col("composed_on_white_sha256"), note = col("editor_note");
    while (!in.atEnd()) {
        const QStringList c = in.readLine().split('\t');
        if (c.size() < header.size())
            continue;
        rows.push_back({c[file], c[expected], c[index], c[composed], c[note]});
    }
    return rows;
}

QString sha(const void* data, qsizetype size)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(QByteArrayView(static_cast<const char*>(data), size), QCryptographicHash::Sha256)
            .toHex());
}

// Outcomes the editor's rules give where the suite expects otherwise.
struct Override {
    const char* file;
    const char* outcome;  // "frames:N" = loads with N sub-images, "error:MESSAGE" = the load fails
};
constexpr Override kEditorRules[] = {
    // no image descriptor: the editor gets 0 sub-images
    {"pygif-test-suite/no-data.gif", "frames:0"},
    // no image: 0 sub-images
    {"pygif-test-suite/zero-width.gif", "frames:0"},
    {"pygif-test-suite/zero-height.gif", "frames:0"},
    {"pygif-test-suite/zero-size.gif", "frames:0"},
    // the trailer read as minimum code size 59: refused (sizes above 11 are)
    {"pygif-test-suite/image-zero-width.gif", "error:Invalid LZW minimum code size"},
    // cut inside the local colour table: fixed-size read
    {"pygif-test-suite/image-zero-height.gif", "error:Premature end of data"},
    {"pygif-test-suite/image-zero-size.gif", "error:Premature end of data"},
    // label 0x2A is not in the registry: skipped with a warning
    {"pygif-test-suite/unknown-extension.gif", "frames:1"},
    // index outside the table: loads; rendering warns and uses entry 0
    {"pygif-test-suite/invalid-colors.gif", "frames:1"},
    // no range check on codes: codes >= next free take the KwKwK path
    {"pygif-test-suite/invalid-code.gif", "frames:1"},
};

// Damaged files the suite expects a tolerant reader to recover from, where
// the editor's rules recover without a warning.
constexpr const char* kSilentRecovery[] = {
    // the background index is only used when playing, not when reading
    "pygif-test-suite/invalid-background.gif",
    // frames outside the screen: the descriptor is stored as read; the
    // screen grows with warnings only when bounds are set
    "pygif-test-suite/image-overlap-bg.gif",
    "pygif-test-suite/image-outside-bg.gif",
    "peterdn-gif-test-suite/animated_transparent_loop_frames_out_of_bounds.gif",
    // the 1x1 image has no missing pixel
    "pygif-test-suite/missing-pixels.gif",
    // codes beyond the last pixel are skipped with the rest of the data
    "pygif-test-suite/extra-pixels.gif",
    "pygif-test-suite/extra-data.gif",
    // the transparent index is checked when set, not when read
    "pygif-test-suite/invalid-transparent.gif",
};

bool recoversSilently(const QString& file)
{
    for (const char* f : kSilentRecovery)
        if (file == QLatin1String(f))
            return true;
    return false;
}

const Override* overrideFor(const QString& file)
{
    for (const Override& o : kEditorRules)
        if (file == QLatin1String(o.file))
            return &o;
    return nullptr;
}

} // namespace

class GifCorpus : public ::testing::TestWithParam<Row> {};

TEST_P(GifCorpus, matchesTheManifest)
{
    const Row& row = GetParam();
    QFile f(testsupport::testdata("gif/" + row.file));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << row.file.toStdString();
    const QByteArray bytes = f.readAll();
    TGIFImage image;
    int warnings = 0;
    image.SetOnWarning([&](const TGIFItem*, int, const QString&) { ++warnings; });
    std::string error;
    try {
        image.LoadFromData({reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())});
    } catch (const GIFException& e) {
        error = e.what();
    }
    SCOPED_TRACE(row.file.toStdString() + " " + row.note.toStdString());

    if (const Override* o = overrideFor(row.file)) {
        const QString outcome = QString::fromLatin1(o->outcome);
        if (outcome.startsWith("error:")) {
            EXPECT_EQ(error, outcome.mid(6).toStdString());
        } else {
            EXPECT_EQ(error, "");
            EXPECT_EQ(image.Images().Count(), outcome.mid(7).toInt());
        }
        return;
    }
    if (row.expected == "reject") {
        EXPECT_NE(error, "") << "loaded";
        return;
    }
    ASSERT_EQ(error, "");
    if (row.expected == "warn") {
        // Rendering is where index and bounds problems show.
        (void)ComposeFrames(image);
        if (!recoversSilently(row.file)) {
            EXPECT_GT(warnings, 0);
        }
    }
    if (row.indexHashes != "-" && !row.indexHashes.isEmpty()) {
        QStringList got;
        for (const auto& s : image.Images())
            if (!s->Empty())
                got << sha(s->Data().data(), qsizetype(s->Data().size()));
        EXPECT_EQ(got.join(' ').toStdString(), row.indexHashes.toStdString());
    }
    if (row.composedHashes != "-" && !row.composedHashes.isEmpty()) {
        QStringList got;
        for (const QImage& frame : ComposeFrames(image)) {
            QByteArray rgb;
            for (int y = 0; y < frame.height(); ++y) {
                const auto* line = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
                for (int x = 0; x < frame.width(); ++x)
                    rgb.append(char(qRed(line[x]))).append(char(qGreen(line[x]))).append(char(qBlue(line[x])));
            }
            got << sha(rgb.constData(), rgb.size());
        }
        EXPECT_EQ(got.join(' ').toStdString(), row.composedHashes.toStdString());
    }
    // Whatever loads also saves and reads back to the same frames.
    if (image.Images().Count() > 0) {
        TGIFImage again;
        const QByteArray saved = image.SaveToData();
        again.LoadFromData({reinterpret_cast<const std::uint8_t*>(saved.constData()), std::size_t(saved.size())});
        ASSERT_EQ(again.Images().Count(), image.Images().Count());
        for (int i = 0; i < image.Images().Count(); ++i)
            EXPECT_EQ(again.Images()[i]->Data(), image.Images()[i]->Data());
    }
}

INSTANTIATE_TEST_SUITE_P(Manifest, GifCorpus, ::testing::ValuesIn(manifest()),
                         [](const ::testing::TestParamInfo<Row>& info) {
                             QString name = info.param.file;
                             name.replace(QRegularExpression("[^A-Za-z0-9]"), "_");
                             return name.toStdString();
                         });

TEST(GifCorpusManifest, isPresent)
{
    EXPECT_GT(manifest().size(), 100u);
}

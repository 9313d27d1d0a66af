// WMF and EMF rendering: the corpus at its own size and roughly as other
// renderers draw it, and hand-made files for mapping and damaged records.
#include "formats/metafile.h"
#include "formats/png.h"
#include "manifest.h"

#include <QPainter>
#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace orugif::formats;
using formatstest::ManifestRow;

namespace {

std::vector<ManifestRow> metafiles() { return formatstest::readManifest("metafile/MANIFEST.tsv"); }

QImage onWhite(const QImage& picture)
{
    QImage out(picture.size(), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.drawImage(0, 0, picture);
    return out;
}

double drawnShare(const QImage& picture)
{
    qint64 drawn = 0;
    for (int y = 0; y < picture.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            drawn += qAlpha(row[x]) != 0;
    }
    return double(drawn) / (double(picture.width()) * picture.height());
}

// Mean colour of each cell of a grid x grid division, on white.
std::vector<QRgb> cellMeans(const QImage& picture, int grid)
{
    const QImage small = onWhite(picture).scaled(grid * 16, grid * 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    std::vector<QRgb> means;
    for (int gy = 0; gy < grid; ++gy)
        for (int gx = 0; gx < grid; ++gx) {
            long r = 0, g = 0, b = 0;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) {
                    const QRgb c = small.pixel(gx * 16 + x, gy * 16 + y);
                    r += qRed(c);
                    g += qGreen(c);
                    b += qBlue(c);
                }
            means.push_back(qRgb(int(r / 256), int(g / 256), int(b / 256)));
        }
    return means;
}

// Largest per-cell colour distance (mean of the three channels).
int coarseDistance(const QImage& a, const QImage& b)
{
    const auto ma = cellMeans(a, 4), mb = cellMeans(b, 4);
    int worst = 0;
    for (std::size_t i = 0; i < ma.size(); ++i) {
        const int d = (std::abs(qRed(ma[i]) - qRed(mb[i])) + std::abs(qGreen(ma[i]) - qGreen(mb[i]))
                       + std::abs(qBlue(ma[i]) - qBlue(mb[i]))) / 3;
        worst = std::max(worst, d);
    }
    return worst;
}

// The reference rendering framed like ours (same aspect within 3 %), the
// one drawn by Windows first.
QImage comparableReference(const ManifestRow& row, QSize ours)
{
    const QString dir = row["file"].section('/', 0, 0);
    QStringList refs = row["references"].split(' ', Qt::SkipEmptyParts);
    std::stable_sort(refs.begin(), refs.end(), [](const QString& a, const QString& b) {
        return a.contains("ref-pillow") && !b.contains("ref-pillow");
    });
    for (const QString& ref : refs) {
        const QByteArray bytes = formatstest::readFile(testsupport::testdata("metafile/" + dir + "/" + ref));
        QImage image;
        try {
            image = loadPng(bytes);
        } catch (const EPNGImageException&) {
            continue;
        }
        const double a = double(image.width()) / image.height(), b = double(ours.width()) / ours.height();
        if (std::abs(a / b - 1) < 0.03 && image.width() > 16)
            return image;
    }
    return {};
}

class MetafileCorpus : public ::testing::TestWithParam<ManifestRow> {};

TEST(MetafileCorpusManifest, isPresent) { EXPECT_GE(metafiles().size(), 15u); }

TEST_P(MetafileCorpus, rendersAtItsOwnSizeAndLooksLikeTheReference)
{
    const ManifestRow& row = GetParam();
    const std::string file = row["file"].toStdString();
    const QByteArray bytes = formatstest::readFile(testsupport::testdata("metafile/" + row["file"]));
    ASSERT_FALSE(bytes.isEmpty()) << file;
    if (row["expected"] != "ok") {
        // Damaged: refused with a message, or drawn up to the damage.
        try {
            const QImage picture = renderMetafile(bytes);
            EXPECT_FALSE(picture.isNull()) << file;
        } catch (const EMetafileException& e) {
            EXPECT_GT(std::strlen(e.what()), 10u) << file;
        }
        return;
    }
    QImage picture;
    ASSERT_NO_THROW(picture = renderMetafile(bytes)) << file;
    const QStringList size = row["size_96dpi"].split('x');
    EXPECT_EQ(picture.size(), QSize(size[0].toInt(), size[1].toInt())) << file;
    EXPECT_EQ(metafileSize(bytes), picture.size()) << file;
    EXPECT_GT(drawnShare(picture), 0.01) << file << " is almost blank";

    // The polygon of pillow/drawing.wmf lies partly outside its placeable
    // bounds; its references fit the drawing's own extent instead of the
    // header's, so they frame it differently (see placeableBoundsFrameTheDrawing).
    const QImage reference =
        row["file"] == "pillow/drawing.wmf" ? QImage() : comparableReference(row, picture.size());
    if (!reference.isNull()) {
        EXPECT_LT(coarseDistance(picture, reference), 24) << file;
        // The comparison can tell: a blank picture is far from the reference.
        QImage blank(picture.size(), QImage::Format_ARGB32);
        blank.fill(Qt::transparent);
        const int blankDistance = coarseDistance(blank, reference);
        EXPECT_GT(blankDistance, coarseDistance(picture, reference)) << file;
    }
}

INSTANTIATE_TEST_SUITE_P(Manifest, MetafileCorpus, ::testing::ValuesIn(metafiles()),
                         [](const auto& info) { return formatstest::testName(info.param["file"]); });

TEST(MetafileCorpusFraming, placeableBoundsFrameTheDrawing)
{
    // Bounds and window 0..1369 at 1200 units an inch; a red circle of
    // centre (925, 925) and radius 662 units, cut by the right and bottom.
    const QImage picture =
        renderMetafile(formatstest::readFile(testsupport::testdata("metafile/pillow/drawing.wmf")));
    ASSERT_EQ(picture.size(), QSize(110, 110));
    const auto at = [&](double units) { return int(units * 110 / 1369); };
    EXPECT_EQ(picture.pixel(at(925), at(925)), qRgb(255, 0, 0));
    EXPECT_EQ(picture.pixel(at(925), 109), qRgb(255, 0, 0));
    EXPECT_EQ(qAlpha(picture.pixel(at(300), at(300))), 0);
    EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0);
}

// ---- Hand-made files ---------------------------------------------------------

struct Bytes {
    QByteArray b;
    Bytes& u16(int v)
    {
        b += char(v & 0xff);
        b += char((v >> 8) & 0xff);
        return *this;
    }
    Bytes& u32(qint64 v) { return u16(int(v & 0xffff)).u16(int((v >> 16) & 0xffff)); }
};

// An EMF of frame 0..w, 0..h pixels on a 96 dpi reference device.
QByteArray emf(int w, int h, const QList<QByteArray>& records)
{
    const double mm = 25.4 / 96;
    Bytes head;
    head.u32(1).u32(88).u32(0).u32(0).u32(w - 1).u32(h - 1);
    head.u32(0).u32(0).u32(qint64(std::lround(w * mm * 100))).u32(qint64(std::lround(h * mm * 100)));
    head.u32(0x464D4520).u32(0x10000).u32(0).u32(records.size() + 2).u16(8).u16(0);
    head.u32(0).u32(0).u32(0).u32(960).u32(960).u32(254).u32(254);
    QByteArray file = head.b;
    for (const QByteArray& r : records)
        file += r;
    file += Bytes().u32(14).u32(20).u32(0).u32(0).u32(20).b;
    return file;
}

QByteArray emr(int type, std::initializer_list<qint64> values)
{
    Bytes r;
    r.u32(type).u32(8 + 4 * qint64(values.size()));
    for (qint64 v : values)
        r.u32(v);
    return r.b;
}

TEST(EmfPlayback, drawsShapesWithSelectedObjectsAndSkipsUnknownRecords)
{
    const QByteArray file = emf(40, 20, {
        emr(39, {1, 0, 0x0000ff, 0}),         // brush 1: solid red
        emr(38, {2, 5, 0, 0, 0}),             // pen 2: PS_NULL
        emr(37, {1}), emr(37, {2}),
        emr(999, {1, 2, 3}),                  // unknown: skipped
        emr(43, {0, 0, 20, 20}),              // rectangle, left half
        emr(37, {0x80000004}),                // stock black brush
        emr(42, {20, 0, 40, 20}),             // ellipse, right half
    });
    const QImage picture = renderMetafile(file);
    ASSERT_EQ(picture.size(), QSize(40, 20));
    EXPECT_EQ(picture.pixel(10, 10), qRgb(255, 0, 0));
    EXPECT_EQ(picture.pixel(30, 10), qRgb(0, 0, 0));
    EXPECT_EQ(qAlpha(picture.pixel(21, 1)), 0); // outside the ellipse: background shows
}

TEST(EmfPlayback, windowAndViewportMapLogicalUnits)
{
    // MM_ANISOTROPIC, window 0..1000 onto viewport 0..40 x 0..20 (flipped y).
    const QByteArray file = emf(40, 20, {
        emr(17, {8}), emr(9, {1000, 1000}), emr(11, {40, -20}), emr(12, {0, 20}),
        emr(39, {1, 0, 0x00ff00, 0}), emr(37, {1}), emr(37, {0x80000008}),
        emr(43, {0, 0, 500, 500}),            // bottom-left quarter
    });
    const QImage picture = renderMetafile(file);
    EXPECT_EQ(picture.pixel(5, 15), qRgb(0, 255, 0));
    EXPECT_EQ(qAlpha(picture.pixel(5, 5)), 0);
    EXPECT_EQ(qAlpha(picture.pixel(35, 15)), 0);
}

TEST(EmfPlayback, geometryFarOutsideThePictureIsStillDrawnWhereItCrossesIt)
{
    const qint64 far = 100000000;
    const QByteArray file = emf(40, 20, {
        emr(39, {1, 0, 0x0000ff, 0}), emr(37, {1}),              // red brush
        emr(38, {2, 0, 4, 0, 0xff0000}), emr(37, {2}),           // blue pen, 4 units wide
        emr(3, {0, 0, 0, 0, 3, 0, 0, 10, 0, far, far}),          // triangle towards (far, far)
        emr(4, {0, 0, 0, 0, 2, 0, 18, far, 18}),                 // line along y = 18
    });
    const QImage picture = renderMetafile(file);
    EXPECT_EQ(picture.pixel(9, 5), qRgb(255, 0, 0));   // inside the triangle
    EXPECT_EQ(qAlpha(picture.pixel(3, 12)), 0);         // below its lower edge
    EXPECT_EQ(picture.pixel(30, 18), qRgb(0, 0, 255)); // on the line
    EXPECT_EQ(qAlpha(picture.pixel(1, 15)), 0);
}

TEST(EmfPlayback, maskBlitCopiesOnlyWhereTheMaskIsSet)
{
    // A 2 x 1 red-green DIB copied through a 1-bit mask set for the first pixel.
    const qint64 one = 0x3f800000; // 1.0f
    const QByteArray blit = emr(78, {
        0, 0, 1, 0, /*dest*/ 0, 0, 2, 1, /*rop*/ 0xCCAA0029, /*src*/ 0, 0, one, 0, 0, one, 0, 0, /*bk*/ 0,
        /*usage*/ 0, /*bmi*/ 128, 40, /*bits*/ 168, 8, /*mask at*/ 0, 0, 0, /*mask bmi*/ 176, 48, /*mask bits*/ 224, 4,
        40, 2, 1, 1 | 24 << 16, 0, 0, 0, 0, 0, 0,          // 24-bit header
        0x00ff0000, 0x000000ff,                             // red, green
        40, 2, 1, 1 | 1 << 16, 0, 0, 0, 0, 0, 0, 0, 0xffffff, // 1-bit header, black and white
        0x80,                                               // mask: first pixel white
    });
    const QImage picture = renderMetafile(emf(24, 2, {blit})); // 24 pixels: one device pixel each
    EXPECT_EQ(picture.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(qAlpha(picture.pixel(1, 0)), 0);
}

TEST(EmfPlayback, damagedRecordEndsTheDrawingAndKeepsWhatCameBefore)
{
    QByteArray file = emf(20, 20, {emr(39, {1, 0, 0xff0000, 0}), emr(37, {1}), emr(43, {0, 0, 10, 10})});
    file.chop(20);                            // no end record
    file += Bytes().u32(43).u32(4000).b;      // claims more bytes than remain
    const QImage picture = renderMetafile(file);
    EXPECT_EQ(picture.pixel(5, 5), qRgb(0, 0, 255));
    // Point counts beyond the record are refused without reading them.
    const QByteArray liar = emf(20, 20, {emr(86, {0, 0, 10, 10, 0x7fffffff, 0, 0})});
    EXPECT_NO_THROW(renderMetafile(liar));
}

// A placeable WMF: bounds 0..w x 0..h at 96 units an inch.
QByteArray wmf(int w, int h, const QList<QByteArray>& records, int objects = 4)
{
    Bytes head;
    head.u32(0x9AC6CDD7).u16(0).u16(0).u16(0).u16(w).u16(h).u16(96).u32(0).u16(0);
    head.u16(1).u16(9).u16(0x300).u32(0).u16(objects).u32(0).u16(0);
    QByteArray file = head.b;
    for (const QByteArray& r : records)
        file += r;
    file += Bytes().u32(3).u16(0).b;
    return file;
}

QByteArray wmr(int function, std::initializer_list<int> words)
{
    Bytes r;
    r.u32(3 + qint64(words.size())).u16(function);
    for (int v : words)
        r.u16(v);
    return r.b;
}

TEST(WmfPlayback, objectsTakeTheLowestFreeSlot)
{
    const QByteArray file = wmf(30, 10, {
        wmr(0x02FC, {0, 0x00ff, 0, 0}),       // brush 0: red
        wmr(0x02FC, {0, 0x0000, 0x00ff, 0}),  // brush 1: blue (0x00ff0000)
        wmr(0x02FA, {5, 0, 0, 0, 0}),         // pen 2: null
        wmr(0x012D, {2}),
        wmr(0x01F0, {0}),                     // free slot 0
        wmr(0x02FC, {0, 0xff00, 0x0000, 0}),  // brush 0 again: green (0x0000ff00)
        wmr(0x012D, {0}),
        wmr(0x041B, {10, 10, 0, 0}),          // rectangle 0..10
        wmr(0x012D, {1}),
        wmr(0x0418, {10, 30, 0, 20}),         // ellipse 20..30
    });
    const QImage picture = renderMetafile(file);
    ASSERT_EQ(picture.size(), QSize(30, 10));
    EXPECT_EQ(picture.pixel(5, 5), qRgb(0, 255, 0));
    EXPECT_EQ(picture.pixel(25, 5), qRgb(0, 0, 255));
    EXPECT_EQ(qAlpha(picture.pixel(15, 5)), 0);
}

TEST(WmfPlayback, recordsPastTheEndAndBadHeadersAreHandled)
{
    QByteArray file = wmf(10, 10, {wmr(0x041B, {10, 10, 0, 0})});
    file.chop(6);
    file += Bytes().u32(5000).u16(0x041B).b; // record larger than the file
    EXPECT_EQ(renderMetafile(file).pixel(5, 5), qRgb(255, 255, 255)); // white stock brush drawn first

    EXPECT_THROW(renderMetafile("not a metafile at all"), EMetafileException);
    QByteArray huge = wmf(30000, 30000, {});
    huge[14] = 1; // one unit an inch: 2 880 000 pixels a side
    huge[15] = 0;
    try {
        renderMetafile(huge);
        FAIL() << "accepted";
    } catch (const EMetafileException& e) {
        EXPECT_NE(std::string(e.what()).find("trop grand"), std::string::npos);
    }
}

TEST(MetafileDamage, truncatedAndFlippedFilesNeverCrash)
{
    // The large drawing is cut more coarsely: every render fills 1122 x 794 pixels.
    for (const auto& [name, step] : {std::pair{"pillow/drawing.wmf", 3}, {"pillow/drawing.emf", 3},
                                     {"libuemf/test_mm_text_ref.emf", 101}}) {
        const QByteArray file = formatstest::readFile(testsupport::testdata(QString("metafile/") + name));
        ASSERT_FALSE(file.isEmpty());
        for (qsizetype n = 0; n < file.size(); n += step) {
            try {
                renderMetafile(file.left(n));
            } catch (const EMetafileException&) {
            }
        }
        QRandomGenerator rng(11);
        for (int i = 0; i < (step > 10 ? 20 : 200); ++i) {
            QByteArray bad = file;
            bad[rng.bounded(int(bad.size()))] = char(rng.bounded(256));
            try {
                renderMetafile(bad);
            } catch (const EMetafileException&) {
            }
        }
    }
}

// ---- Work budget -------------------------------------------------------------

struct Workload {
    const char* name;
    int records;
    bool refused;
    int side = 512;
};

void PrintTo(const Workload& w, std::ostream* out) { *out << w.name; }

// Each record's work is bounded by the picture it is drawn on, and by a
// fixed amount whatever its size: full-size fills, a clipping region cut into
// thousands of pieces and hundreds of thousands of objects created (or
// created and deleted) run out of budget, the same records a few times over
// draw. A picture of 8192 x 8192 pays for a few full-size fills, not for as
// many as its area would.
class MetafileWork : public ::testing::TestWithParam<Workload> {
public:
    static QByteArray file(const Workload& w)
    {
        const QString name = QString::fromLatin1(w.name);
        QList<QByteArray> records;
        if (name.startsWith("emf")) {
            for (int i = 0; i < w.records; ++i)
                records << emr(42, {0, 0, w.side, w.side});
            return emf(w.side, w.side, records);
        }
        if (name.contains("brush")) {
            const bool deleted = name.contains("deleted");
            for (int i = 0; i < w.records; ++i) {
                records << wmr(0x02FC, {0, i & 0xffff, 0, 0});
                if (deleted)
                    records << wmr(0x01F0, {0});
            }
            records << wmr(0x041B, {512, 512, 0, 0});
            return wmf(512, 512, records, 0xffff);
        }
        if (name.contains("ellipses")) {
            for (int i = 0; i < w.records; ++i)
                records << wmr(0x0418, {512, 512, 0, 0});
        } else {
            for (int i = 0; i < w.records; ++i) // small squares cut out of the clipping region
                records << wmr(0x0415, {3 * (i / 60) + 2, 3 * (i % 60) + 2, 3 * (i / 60) + 1, 3 * (i % 60) + 1});
            records << wmr(0x041B, {512, 512, 0, 0});
        }
        return wmf(512, 512, records);
    }
};

TEST_P(MetafileWork, isBoundedByThePicturesArea)
{
    const Workload w = GetParam();
    if (w.refused) {
        try {
            renderMetafile(file(w));
            FAIL() << "drawn";
        } catch (const EMetafileException& e) {
            EXPECT_NE(std::string(e.what()).find("trop de travail"), std::string::npos) << e.what();
        }
    } else {
        const QImage picture = renderMetafile(file(w));
        ASSERT_EQ(picture.size(), QSize(w.side, w.side));
        if (QString::fromLatin1(w.name).contains("brush"))
            EXPECT_EQ(qAlpha(picture.pixel(256, 256)), 255); // the last rectangle was drawn
        else
            EXPECT_EQ(picture.pixel(256, 256), qRgb(255, 255, 255)); // the white stock brush filled it
    }
}

INSTANTIATE_TEST_SUITE_P(Records, MetafileWork,
                         ::testing::Values(Workload{"emf_ellipses", 20, false}, Workload{"emf_ellipses", 1000, true},
                                           Workload{"wmf_ellipses", 20, false}, Workload{"wmf_ellipses", 1000, true},
                                           Workload{"wmf_clip_rectangles", 100, false},
                                           Workload{"wmf_clip_rectangles", 3000, true},
                                           Workload{"emf_large_ellipses", 8, true, 8192},
                                           Workload{"wmf_brushes", 20000, false}, Workload{"wmf_brushes", 300000, true},
                                           Workload{"wmf_brushes_deleted", 20000, false},
                                           Workload{"wmf_brushes_deleted", 150000, true}),
                         [](const auto& info) {
                             return std::string(info.param.name) + "_" + std::to_string(info.param.records);
                         });

} // namespace

// The GIF image model with its reader and writer: file layout byte for byte,
// tolerance of odd files, and the calls the document makes when saving.
#include "gif/gifimage.h"
#include "gif/lzw.h"

#include "support/testsupport.h"

#include <QBuffer>
#include <gtest/gtest.h>

using namespace orugif::gif;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes toBytes(const QByteArray& a) { return Bytes(a.begin(), a.end()); }

// A one-frame GIF: screen 2x2, global table of 2 colours (black, white),
// optional blocks before the image, image 2x2 of index 1.
Bytes smallGif(const Bytes& before = {}, const char* signature = "GIF89a")
{
    Bytes b(signature, signature + 6);
    b.insert(b.end(), {2, 0, 2, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255});
    b.insert(b.end(), before.begin(), before.end());
    b.insert(b.end(), {0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0});
    // LZW: clear, 1, 6 (1 1), 1 ... written by our encoder for 4 ones.
    b.insert(b.end(), {0x02, 0x02, 0x8C, 0x53, 0x00});
    b.push_back(0x3B);
    return b;
}

struct Loaded {
    std::unique_ptr<TGIFImage> image = std::make_unique<TGIFImage>();
    std::vector<QString> warnings;
};

Loaded load(const Bytes& bytes)
{
    Loaded l;
    l.image->SetOnWarning([&w = l.warnings](const TGIFItem*, int severity, const QString& m) {
        EXPECT_EQ(severity, 1);
        w.push_back(m);
    });
    l.image->LoadFromData(bytes);
    return l;
}

std::string loadError(const Bytes& bytes)
{
    try {
        load(bytes);
    } catch (const GIFException& e) {
        return e.what();
    }
    return "loaded";
}

} // namespace

TEST(GifHeader, signatureAfterFourBytesLowerCaseAndAnyVersionLoad)
{
    Bytes prefixed{'x', 'y', 'z', 'w'};
    const Bytes plain = smallGif();
    prefixed.insert(prefixed.end(), plain.begin(), plain.end());
    for (const Bytes& b : {plain, prefixed, smallGif({}, "gif89a"), smallGif({}, "GIF90z")}) {
        Loaded l = load(b);
        ASSERT_EQ(l.image->Images().Count(), 1);
        EXPECT_EQ(l.image->Images()[0]->Pixel(1, 1), 1);
        EXPECT_TRUE(l.warnings.empty());
    }
    EXPECT_EQ(loadError(smallGif({}, "GIX89a")), "Invalid GIF signature");
    EXPECT_EQ(loadError(Bytes{'G', 'I', 'F', '8', '9', 'a', 2, 0}), "Premature end of data");
}

TEST(GifWriter, refusesAnImageWithoutFrames)
{
    TGIFImage image;
    try {
        image.SaveToData();
        FAIL();
    } catch (const GIFException& e) {
        EXPECT_STREQ(e.what(), "Unsupported GIF version");
    }
}

TEST(GifWriter, plainFrameIsWrittenAsGif87aByteForByte)
{
    Loaded l = load(smallGif({}, "GIF89a"));
    // No extension and no sorted table: GIF87a suffices.
    Bytes expected = smallGif({}, "GIF87a");
    expected[10] = 0x80;  // global flag, resolution 0, size bits 0
    EXPECT_EQ(toBytes(l.image->SaveToData()), expected);
}

TEST(GifWriter, globalTableOfFiveColoursIsPaddedToEight)
{
    TGIFImage image;
    for (int i = 0; i < 5; ++i)
        image.GlobalColorMap().Add({std::uint8_t(i + 1), std::uint8_t(i + 2), std::uint8_t(i + 3)});
    auto sub = std::make_unique<TGIFSubImage>(&image);
    sub->SetBounds(0, 0, 1, 1);
    image.AddFrameImage(std::move(sub));
    const Bytes b = toBytes(image.SaveToData());
    EXPECT_EQ(b[10], 0x80 | 2 << 4 | 2);
    const Bytes table(b.begin() + 13, b.begin() + 13 + 24);
    EXPECT_EQ(table, (Bytes{1, 2, 3, 2, 3, 4, 3, 4, 5, 4, 5, 6, 5, 6, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(b[13 + 24], 0x2C);
}

TEST(GifReader, zeroWidthFrameTakesTheScreenSizeWithAWarning)
{
    Bytes b = smallGif();
    b[13 + 6 + 5] = 0;  // image width low byte
    Loaded l = load(b);
    EXPECT_EQ(l.image->Images()[0]->Width(), 2);
    EXPECT_EQ(l.image->Images()[0]->Height(), 2);
    EXPECT_EQ(l.warnings, std::vector<QString>{"Image exceeds Logical Screen size"});
}

TEST(GifReader, unknownExtensionLabelIsSkippedWithAWarning)
{
    // Labels 0x02 and gifsicle's frame name 0xCE, with two data sub-blocks.
    for (std::uint8_t label : {0x02, 0xCE}) {
        Loaded l = load(smallGif({0x21, label, 2, 'a', 'b', 1, 'c', 0}));
        ASSERT_EQ(l.image->Images().Count(), 1) << int(label);
        EXPECT_EQ(l.image->Images()[0]->Extensions().Count(), 0);
        EXPECT_EQ(l.image->Images()[0]->Pixel(1, 1), 1);
        EXPECT_EQ(l.warnings, std::vector<QString>{"Unknown extension type"});
    }
    // Its data cut short is still an error.
    Bytes cut = smallGif();
    cut.resize(6 + 7 + 6);
    cut.insert(cut.end(), {0x21, 0xCE, 9, 'a'});
    EXPECT_EQ(loadError(cut), "Premature end of data");
}

// A 4 x 1 frame over a two-colour global table whose pixels 0, 1, 3, 2
// index past it; `before` goes before the image descriptor.
Bytes pastTheTable(const Bytes& before)
{
    Bytes b{'G', 'I', 'F', '8', '9', 'a', 4, 0, 1, 0, 0x80, 0, 0, 10, 20, 30, 40, 50, 60};
    b.insert(b.end(), before.begin(), before.end());
    b.insert(b.end(), {0x2C, 0, 0, 0, 0, 4, 0, 1, 0, 0});
    ByteWriter data;
    const std::uint8_t pixels[] = {0, 1, 3, 2};
    EncodeImage(data, 4, pixels, false, 1, 4);
    b.insert(b.end(), data.data().begin(), data.data().end());
    b.push_back(0x3B);
    return b;
}

TEST(GifReader, indicesPastTheTableBecomeEntryZeroOnceSoTheFileSavesAgain)
{
    struct Case {
        Bytes before;
        std::vector<std::uint8_t> pixels;
        int tableSize;
    };
    for (const Case& c : {Case{{}, {0, 1, 0, 0}, 2},
                          // a transparent index past the table stays transparent
                          Case{{0x21, 0xF9, 4, 1, 0, 0, 3, 0}, {0, 1, 3, 0}, 4}}) {
        SCOPED_TRACE(c.tableSize);
        Loaded l = load(pastTheTable(c.before));
        const TGIFSubImage& frame = *l.image->Images()[0];
        EXPECT_EQ(frame.Data(), c.pixels);
        EXPECT_EQ(l.image->GlobalColorMap().Count(), c.tableSize);
        EXPECT_EQ(l.warnings, std::vector<QString>{"Invalid color index"});
        const QByteArray saved = l.image->SaveToData();  // was "Color not in color table"
        Loaded again = load(Bytes(saved.begin(), saved.end()));
        EXPECT_EQ(again.image->Images()[0]->Data(), c.pixels);
        EXPECT_TRUE(again.warnings.empty());
    }
}

TEST(GifReader, failedLoadKeepsTheFramesReadBefore)
{
    Bytes b = smallGif();
    b.pop_back();
    b.insert(b.end(), {0x21, 0xFF, 5, 0});  // application block too short
    TGIFImage image;
    QBuffer buffer;
    buffer.setData(QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size())));
    buffer.open(QIODevice::ReadOnly);
    buffer.seek(3);
    buffer.seek(0);
    EXPECT_THROW(image.LoadFromStream(buffer), GIFException);
    EXPECT_EQ(image.Images().Count(), 1);
    EXPECT_EQ(buffer.pos(), 0);
}

TEST(GifReader, oddBlocksAndTrailersWarn)
{
    Bytes unknownBlock = smallGif();
    unknownBlock.back() = 0x99;
    Loaded l = load(unknownBlock);
    EXPECT_EQ(l.warnings, (std::vector<QString>{"Unknown GIF block type", "Invalid Image trailer"}));
    Bytes noTrailer = smallGif();
    noTrailer.pop_back();
    EXPECT_TRUE(load(noTrailer).warnings.empty());
}

TEST(GifExtensions, animextsLoopIsReadAsLoopAndWrittenBackUnchanged)
{
    const Bytes loop{0x21, 0xFF, 11, 'A', 'N', 'I', 'M', 'E', 'X', 'T', 'S', '1', '.', '0', 3, 1, 7, 0, 0};
    Loaded l = load(smallGif(loop));
    auto* ext = dynamic_cast<TGIFAppExtNSLoop*>(l.image->Images()[0]->Extensions().Items(0));
    ASSERT_NE(ext, nullptr);
    EXPECT_EQ(ext->LoopCount(), 7);
    const Bytes out = toBytes(l.image->SaveToData());
    EXPECT_NE(std::search(out.begin(), out.end(), loop.begin(), loop.end()), out.end());
}

TEST(GifExtensions, loopBufferSizeAndShortSubBlocks)
{
    const Bytes withBuffer{0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0',
                           3,    1,    2,  1, 5,   2,   0x10, 0, 0, 1, 0};
    Loaded l = load(smallGif(withBuffer));
    auto* ext = dynamic_cast<TGIFAppExtNSLoop*>(l.image->Images()[0]->Extensions().Items(0));
    ASSERT_NE(ext, nullptr);
    EXPECT_EQ(ext->LoopCount(), 258);
    EXPECT_EQ(ext->BufferSize(), 0x01000010u);
    const Bytes out = toBytes(l.image->SaveToData());
    EXPECT_NE(std::search(out.begin(), out.end(), withBuffer.begin(), withBuffer.end()), out.end());

    const Bytes shortLoop{0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 2, 1, 7, 0};
    EXPECT_EQ(loadError(smallGif(shortLoop)), "Invalid GIF data");
    const Bytes tinyBlock{0x21, 0xFF, 9, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', 0};
    EXPECT_EQ(loadError(smallGif(tinyBlock)), "Unsupported Application Extension block size");
}

TEST(GifExtensions, unknownApplicationDataIsKeptAsRead)
{
    const Bytes xmp{0x21, 0xFF, 11, 'X', 'M', 'P', ' ', 'D', 'a', 't', 'a', 'X', 'M', 'P', 3, 'a', 'b', 'c', 1, 'd', 0};
    Loaded l = load(smallGif(xmp));
    EXPECT_NE(dynamic_cast<TGIFUnknownAppExtension*>(l.image->Images()[0]->Extensions().Items(0)), nullptr);
    const Bytes out = toBytes(l.image->SaveToData());
    EXPECT_NE(std::search(out.begin(), out.end(), xmp.begin(), xmp.end()), out.end());
}

TEST(GifExtensions, longCommentIsCutInto255ByteSubBlocks)
{
    TGIFImage image;
    image.AddFrameImage(testsupport::solid(3, 3, 0x336699));
    auto comment = std::make_unique<TGIFCommentExtension>(image.Images()[0]);
    comment->Text.Lines = {QByteArray(600, 'c'), QByteArray()};
    image.Images()[0]->Extensions().Add(std::move(comment));
    const Bytes out = toBytes(image.SaveToData());
    const Bytes intro{0x21, 0xFE, 255};
    const auto at = std::search(out.begin(), out.end(), intro.begin(), intro.end());
    ASSERT_NE(at, out.end());
    const std::size_t i = std::size_t(at - out.begin()) + 2;
    EXPECT_EQ(out[i], 255);
    EXPECT_EQ(out[i + 256], 255);
    EXPECT_EQ(out[i + 512], 90);
    EXPECT_EQ(out[i + 512 + 91], 0);  // the empty line writes nothing

    Loaded back = load(out);
    auto* read = dynamic_cast<TGIFCommentExtension*>(back.image->Images()[0]->Extensions().Items(0));
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->Text.Lines.size(), 3);
    EXPECT_EQ(read->Text.Lines[2].size(), 90);
}

TEST(GifExtensions, graphicControlBelongsToItsFrame)
{
    TGIFImage image;
    image.AddFrameImage(testsupport::solid(2, 2, 0xFFFFFF));
    TGIFSubImage* frame = image.Images()[0];
    std::vector<QString> warnings;
    image.SetOnWarning([&](const TGIFItem*, int, const QString& m) { warnings.push_back(m); });
    auto gce = std::make_unique<TGIFGraphicControlExtension>(frame);
    EXPECT_EQ(frame->GraphicControlExtension(), gce.get());
    gce->SetTransparentFlag(true);
    EXPECT_TRUE(frame->Transparent());
    gce->SetTransparentIndex(216);  // the frame's table has 216 entries
    EXPECT_EQ(gce->TransparentIndex(), 0);
    EXPECT_EQ(warnings, std::vector<QString>{"Invalid color index"});
    gce->SetTransparentIndex(215);
    EXPECT_EQ(gce->TransparentIndex(), 215);
    auto second = std::make_unique<TGIFGraphicControlExtension>(frame);
    EXPECT_EQ(frame->GraphicControlExtension(), gce.get());
    gce.reset();
    EXPECT_EQ(frame->GraphicControlExtension(), nullptr);
}

TEST(GifModel, colourTableLimitsAndIndices)
{
    TGIFImage image;
    std::vector<QString> warnings;
    image.SetOnWarning([&](const TGIFItem*, int, const QString& m) { warnings.push_back(m); });
    TGIFColorMap& map = image.GlobalColorMap();
    EXPECT_THROW(map.Color(0), GIFException);
    for (int i = 0; i < 256; ++i)
        map.Add({std::uint8_t(i), 0, 0});
    EXPECT_THROW(map.Add({}), GIFException);
    EXPECT_EQ(map.Color(300), (GIFColor{0, 0, 0}));
    EXPECT_EQ(warnings, std::vector<QString>{"Invalid color index"});
    EXPECT_EQ(TGIFColorMap::BitsFor(1), 1);
    EXPECT_EQ(TGIFColorMap::BitsFor(2), 1);
    EXPECT_EQ(TGIFColorMap::BitsFor(3), 2);
    EXPECT_EQ(TGIFColorMap::BitsFor(129), 8);
}

TEST(GifModel, framesGrowTheScreenAndTheScreenCannotShrinkBelowThem)
{
    TGIFImage image;
    std::vector<QString> warnings;
    image.SetOnWarning([&](const TGIFItem*, int, const QString& m) { warnings.push_back(m); });
    image.AddFrameImage(testsupport::solid(10, 5, 0));
    EXPECT_EQ(image.Width(), 10);
    EXPECT_EQ(image.Height(), 5);
    EXPECT_TRUE(warnings.empty());
    image.Images()[0]->SetLeft(4);
    EXPECT_EQ(image.Width(), 14);
    EXPECT_EQ(warnings, (std::vector<QString>{"Image width too small for contained frames",
                                              "Image exceeds Logical Screen size"}));
    EXPECT_THROW(image.SetWidth(13), GIFException);
    EXPECT_THROW(image.SetHeight(4), GIFException);
    EXPECT_THROW(image.Images()[0]->Pixel(10, 0), GIFException);
    EXPECT_THROW(image.AddFrameImage(std::unique_ptr<TGIFSubImage>()), GIFException);
}

TEST(GifModel, documentSaveSequenceRoundTrips)
{
    // What the document does: frames from bitmaps, loop on the first, a
    // graphic control on each with the bottom-left pixel as transparent.
    TGIFImage image;
    QImage a = testsupport::solid(7, 5, 0xFF0000);
    QImage b = testsupport::solid(7, 5, 0x00FF00);
    b.setPixel(3, 2, qRgb(0, 0, 255));
    image.ClearAll();
    for (const QImage& f : {a, b})
        image.AddFrameImage(f);
    auto loop = std::make_unique<TGIFAppExtNSLoop>(image.Images()[0]);
    loop->SetLoopCount(5);
    image.Images()[0]->Extensions().Add(std::move(loop));
    for (const auto& s : image.Images()) {
        auto gce = std::make_unique<TGIFGraphicControlExtension>(s.get());
        gce->SetDelayTime(20);
        gce->SetTransparentFlag(true);
        gce->SetTransparentIndex(s->Pixel(0, s->Height() - 1));
        s->Extensions().Add(std::move(gce));
    }
    EXPECT_TRUE(image.HasTransparency());
    const Bytes out = toBytes(image.SaveToData());
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 6), Bytes({'G', 'I', 'F', '8', '9', 'a'}));
    EXPECT_EQ(out[13], 0x21);
    EXPECT_EQ(out[14], 0xFF);

    Loaded back = load(out);
    ASSERT_EQ(back.image->Images().Count(), 2);
    const TGIFSubImage* s1 = back.image->Images()[1];
    EXPECT_EQ(s1->ColorMap().Count(), 256);  // 216 written padded to 256
    EXPECT_EQ(s1->GraphicControlExtension()->DelayTime(), 20);
    EXPECT_EQ(s1->TransparentIndex(), 6 * 5);   // pure green on the cube
    EXPECT_EQ(s1->Pixel(3, 2), 5);              // pure blue
    EXPECT_EQ(back.image->Images()[0]->Pixel(0, 0), 36 * 5);
    EXPECT_EQ(toBytes(back.image->SaveToData()), out);
}

TEST(GifModel, roundTripThroughTheFileForManySizesAndTables)
{
    for (int colors : {1, 2, 3, 16, 17, 255, 256})
        for (auto [w, h] : {std::pair{1, 1}, std::pair{3, 7}, std::pair{20, 1}, std::pair{33, 65}})
            for (bool interlaced : {false, true}) {
                TGIFImage image;
                auto sub = std::make_unique<TGIFSubImage>(&image);
                TGIFSubImage* s = sub.get();
                image.AddFrameImage(std::move(sub));
                s->SetBounds(0, 0, w, h);
                s->SetInterlaced(interlaced);
                for (int i = 0; i < colors; ++i)
                    s->ColorMap().Add({std::uint8_t(i), std::uint8_t(255 - i), 7});
                for (std::size_t i = 0; i < s->Data().size(); ++i)
                    s->Data()[i] = std::uint8_t((i * 7 + i / 3) % std::size_t(colors));
                Loaded back = load(toBytes(image.SaveToData()));
                const TGIFSubImage* r = back.image->Images()[0];
                ASSERT_EQ(r->Data(), s->Data()) << colors << " " << w << "x" << h;
                EXPECT_EQ(r->Interlaced(), interlaced);
                EXPECT_EQ(r->ColorMap().Count(), 1 << TGIFColorMap::BitsFor(colors));
            }
}

TEST(GifModel, assigningASubImageCopiesPixelsTableAndExtensions)
{
    Loaded l = load(smallGif({0x21, 0xF9, 4, 0x09, 10, 0, 1, 0}));
    TGIFSubImage copy(l.image.get());
    copy.Assign(*l.image->Images()[0]);
    EXPECT_EQ(copy.Data(), l.image->Images()[0]->Data());
    ASSERT_NE(copy.GraphicControlExtension(), nullptr);
    EXPECT_NE(copy.GraphicControlExtension(), l.image->Images()[0]->GraphicControlExtension());
    EXPECT_EQ(copy.GraphicControlExtension()->DisposalMethod(), 2);
    EXPECT_EQ(copy.TransparentIndex(), 1);
}

TEST(GifModel, longOperationsReportProgress)
{
    TGIFImage image;
    std::vector<std::pair<int, QString>> events;
    image.SetOnProgress([&](ProgressStage stage, int percent, const QString& m) {
        if (stage != ProgressStage::Running)
            events.push_back({int(stage) * 1000 + percent, m});
    });
    image.AddFrameImage(testsupport::solid(2, 2, 0));
    const Bytes saved = toBytes(image.SaveToData());
    image.LoadFromData(saved);
    image.OptimizeFrames(TGIFImage::ooCrop);
    image.Images()[0]->RenderBitmap();
    const std::vector<std::pair<int, QString>> expected{
        {0, "Converting..."}, {2100, "Converting..."}, {0, "Saving..."},     {2100, "Saving..."},
        {0, "Loading..."},    {2100, "Loading..."},    {0, "Optimizing..."}, {2100, "Optimizing..."},
        {0, "Rendering..."},  {2100, "Rendering..."}};
    EXPECT_EQ(events, expected);
    // A failing load ends its progress at 0.
    events.clear();
    EXPECT_THROW(image.LoadFromData(Bytes{'x'}), GIFException);
    EXPECT_EQ(events.back(), (std::pair<int, QString>{2000, "Loading..."}));
}

TEST(GifModel, assignCopiesTheWholeImageAndDrawOptionsMoveALoneLocalTable)
{
    Loaded l = load(smallGif({0x21, 0xFE, 2, 'h', 'i', 0}));
    TGIFImage copy;
    copy.Assign(*l.image);
    EXPECT_EQ(copy.SaveToData(), l.image->SaveToData());
    EXPECT_EQ(copy.Images()[0]->Image(), &copy);

    TGIFImage single;
    single.AddFrameImage(testsupport::solid(2, 2, 0xFF0000));
    ASSERT_EQ(single.Images()[0]->ColorMap().Count(), 216);
    single.SetDrawOptions(single.DrawOptions() | 0x0040);
    EXPECT_EQ(single.GlobalColorMap().Count(), 216);
    EXPECT_TRUE(single.Images()[0]->ColorMap().Empty());
    EXPECT_EQ(single.Images()[0]->RenderBitmap().pixel(1, 1), qRgb(255, 0, 0));
}

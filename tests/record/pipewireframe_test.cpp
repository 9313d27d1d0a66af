// PipeWire frames as pictures: both byte orders, the crop region, and the
// frames to skip (corrupted, too short for their rows, unknown format).
#include "record/pipewireframe.h"

#include <spa/buffer/buffer.h>
#include <spa/buffer/meta.h>
#include <spa/param/video/raw.h>

#include <gtest/gtest.h>
#include <vector>

using namespace orugif::record;

namespace {

// A 6 x 4 frame with rows of `stride` bytes; pixel (x, y) holds the bytes
// x, y, 0x80 + x, 0x11 in memory order.
struct Frame {
    Frame(std::uint32_t stride, std::uint32_t maxsize) : pixels(maxsize, 0)
    {
        for (std::uint32_t y = 0; y < 4; ++y)
            for (std::uint32_t x = 0; x < 6 && y * stride + x * 4 + 4 <= maxsize; ++x) {
                std::uint8_t* p = pixels.data() + y * stride + x * 4;
                p[0] = std::uint8_t(x);
                p[1] = std::uint8_t(y);
                p[2] = std::uint8_t(0x80 + x);
                p[3] = 0x11;
            }
        chunk.offset = 0;
        chunk.size = maxsize;
        chunk.stride = std::int32_t(stride);
        data.type = SPA_DATA_MemPtr;
        data.maxsize = maxsize;
        data.data = pixels.data();
        data.chunk = &chunk;
        metas[0].type = SPA_META_Header;
        metas[0].size = sizeof(header);
        metas[0].data = &header;
        metas[1].type = SPA_META_VideoCrop;
        metas[1].size = sizeof(crop);
        metas[1].data = &crop;
        buffer.n_metas = 2;
        buffer.metas = metas;
        buffer.n_datas = 1;
        buffer.datas = &data;
        format.size = {6, 4};
        format.format = SPA_VIDEO_FORMAT_BGRx;
    }
    std::vector<std::uint8_t> pixels;
    spa_chunk chunk{};
    spa_data data{};
    spa_meta_header header{};
    spa_meta_region crop{};
    spa_meta metas[2]{};
    spa_buffer buffer{};
    spa_video_info_raw format{};
};

QRgb at(const QImage& image, int x, int y) { return reinterpret_cast<const QRgb*>(image.constScanLine(y))[x]; }

} // namespace

TEST(PipeWireFrame, BothByteOrdersBecomeOpaqueRgb32)
{
    Frame f(32, 32 * 4);  // rows padded beyond their 24 bytes
    QImage picture;
    ASSERT_TRUE(pictureOf(&f.buffer, f.format, picture));
    ASSERT_EQ(picture.size(), QSize(6, 4));
    EXPECT_EQ(at(picture, 5, 3), qRgb(0x85, 3, 5));  // B, G, R in memory
    f.format.format = SPA_VIDEO_FORMAT_RGBA;
    ASSERT_TRUE(pictureOf(&f.buffer, f.format, picture));
    EXPECT_EQ(at(picture, 5, 3), qRgb(5, 3, 0x85));  // R, G, B in memory; alpha ignored
    EXPECT_EQ(at(picture, 0, 0), qRgb(0, 0, 0x80));
}

TEST(PipeWireFrame, TheCropRegionIsThePicture)
{
    Frame f(24, 24 * 4);
    f.crop.region = {{2, 1}, {3, 2}};
    QImage picture;
    ASSERT_TRUE(pictureOf(&f.buffer, f.format, picture));
    ASSERT_EQ(picture.size(), QSize(3, 2));
    EXPECT_EQ(at(picture, 0, 0), qRgb(0x82, 1, 2));
    EXPECT_EQ(at(picture, 2, 1), qRgb(0x84, 2, 4));
    // A region reaching beyond the frame is cut to it.
    f.crop.region = {{4, 2}, {10, 10}};
    ASSERT_TRUE(pictureOf(&f.buffer, f.format, picture));
    EXPECT_EQ(picture.size(), QSize(2, 2));
}

TEST(PipeWireFrame, FramesToSkipLeaveThePictureAlone)
{
    QImage kept(1, 1, QImage::Format_RGB32);
    kept.fill(Qt::red);
    const auto skipped = [&kept](Frame& f) {
        QImage picture = kept;
        const bool taken = pictureOf(&f.buffer, f.format, picture);
        return !taken && picture == kept;
    };
    {
        Frame f(24, 24 * 4 - 1);  // the last row one byte short
        EXPECT_TRUE(skipped(f));
    }
    {
        Frame f(16, 24 * 4);  // rows shorter than the width
        EXPECT_TRUE(skipped(f));
    }
    {
        Frame f(24, 24 * 4);
        f.header.flags = SPA_META_HEADER_FLAG_CORRUPTED;
        EXPECT_TRUE(skipped(f));
    }
    {
        Frame f(24, 24 * 4);
        f.chunk.flags = SPA_CHUNK_FLAG_CORRUPTED;
        EXPECT_TRUE(skipped(f));
    }
    {
        Frame f(24, 24 * 4);
        f.format.format = SPA_VIDEO_FORMAT_NV12;
        EXPECT_TRUE(skipped(f));
    }
    {
        Frame f(24, 24 * 4);
        f.chunk.offset = 8;  // the rows moved past the end
        EXPECT_TRUE(skipped(f));
    }
}

// Frame composition for opening a GIF and for exporting its frames.
#include "gif/compose.h"

#include <algorithm>
#include <new>

namespace orugif::gif {

namespace {

// Colour table of a frame as opaque QRgb, indices outside the table showing
// entry 0 (with the model's warning).
std::array<QRgb, 256> frameColors(const TGIFSubImage& frame)
{
    const TGIFColorMap* map = frame.ActiveColorMap();
    if (map->Empty())
        throw GIFException(msg::ColorTableEmpty);
    std::array<QRgb, 256> colors{};
    for (int i = 0; i < 256; ++i) {
        const GIFColor& c = (*map)[i < map->Count() ? i : 0];
        colors[std::size_t(i)] = qRgb(c.r, c.g, c.b);
    }
    const auto& pixels = frame.Data();
    if (map->Count() < 256 && !pixels.empty() && *std::max_element(pixels.begin(), pixels.end()) >= map->Count())
        frame.Warning(1, msg::InvalidColorIndex);
    return colors;
}

int disposalOf(const TGIFSubImage* frame)
{
    const TGIFGraphicControlExtension* gce = frame ? frame->GraphicControlExtension() : nullptr;
    return gce ? gce->DisposalMethod() : 0;
}

void fillRect(QImage& canvas, int left, int top, int width, int height, QRgb colour)
{
    const int x0 = std::max(left, 0), y0 = std::max(top, 0);
    const int x1 = std::min(left + width, canvas.width()), y1 = std::min(top + height, canvas.height());
    if (x0 >= x1)
        return;
    for (int y = y0; y < y1; ++y) {
        auto* row = reinterpret_cast<QRgb*>(canvas.scanLine(y));
        std::fill(row + x0, row + x1, colour);
    }
}

} // namespace

TGIFFrameComposer::TGIFFrameComposer(TGIFImage& image, QRgb page) : image_(image), page_(page | 0xFF000000u)
{
    std::int64_t w = image.Width(), h = image.Height();
    for (const auto& s : image.Images())
        if (!s->Empty())
            frames_.push_back(s.get());
    if (w == 0 || h == 0) {
        for (const TGIFSubImage* s : frames_) {
            w = std::max<std::int64_t>(w, s->Left() + s->Width());
            h = std::max<std::int64_t>(h, s->Top() + s->Height());
        }
    }
    if (frames_.empty())
        return;
    if (w * h > GIFDefaults::MaxFramePixels)
        throw GIFException(msg::ImageTooLarge);
    canvas_ = QImage(int(w), int(h), QImage::Format_RGB32);
    if (canvas_.isNull())
        throw std::bad_alloc();
    canvas_.fill(page_);
}

QImage TGIFFrameComposer::Next()
{
    if (!Advance())
        return {};
    // A null copy is a failed allocation, not the end of the frames.
    QImage frame = CopyComposedFrame(canvas_);
    if (frame.isNull())
        throw std::bad_alloc();
    return frame;
}

bool TGIFFrameComposer::Advance()
{
    if (next_ >= frames_.size())
        return false;
    // Dispose of the previous frame.
    switch (disposalOf(previous_)) {
    case 2:
        fillRect(canvas_, previous_->Left(), previous_->Top(), previous_->Width(), previous_->Height(), page_);
        break;
    case 3:
        if (!saved_.isNull())
            canvas_ = saved_;
        break;
    default:
        break;
    }
    TGIFSubImage* frame = frames_[next_++];
    if (disposalOf(frame) == 3) {
        saved_ = canvas_.copy();
        if (saved_.isNull())
            throw std::bad_alloc();
    }
    const auto colors = frameColors(*frame);
    const int tidx = frame->TransparentIndex();
    const int x0 = std::max(frame->Left(), 0);
    const int x1 = std::min(frame->Left() + frame->Width(), canvas_.width());
    // Only the part of the frame inside the canvas is drawn.
    for (int y = std::max(frame->Top(), 0); x0 < x1 && y < std::min(frame->Top() + frame->Height(), canvas_.height());
         ++y) {
        const std::uint8_t* src = frame->Scanline(y - frame->Top());
        auto* row = reinterpret_cast<QRgb*>(canvas_.scanLine(y));
        for (int x = x0; x < x1; ++x) {
            const std::uint8_t index = src[x - frame->Left()];
            if (index != tidx)
                row[x] = colors[index];
        }
    }
    previous_ = frame;
    return true;
}

std::vector<QImage> ComposeFrames(TGIFImage& image, QRgb page)
{
    TGIFFrameComposer composer(image, page);
    std::vector<QImage> frames;
    frames.reserve(std::size_t(composer.Count()));
    for (QImage f = composer.Next(); !f.isNull(); f = composer.Next())
        frames.push_back(f);
    return frames;
}

QRgb UnusedColour(const TGIFImage& image)
{
    std::vector<QRgb> used;
    auto collect = [&used](const TGIFColorMap& map) {
        for (int i = 0; i < map.Count(); ++i)
            used.push_back(qRgb(map[i].r, map[i].g, map[i].b));
    };
    collect(image.GlobalColorMap());
    for (const auto& s : image.Images())
        collect(s->ColorMap());
    std::sort(used.begin(), used.end());
    // Near-white colours first, the nearest first; then every other colour.
    // The tables hold at most 256 x (frames + 1) colours, far fewer than
    // there are candidates, so one is always found.
    for (int d = 1; d < 256; ++d)
        for (int dr = 0; dr <= d; ++dr)
            for (int dg = 0; dg <= d; ++dg)
                for (int db = 0; db <= d; ++db) {
                    if (dr != d && dg != d && db != d)
                        continue;  // nearer to white: tried before
                    const QRgb candidate = qRgb(255 - dr, 255 - dg, 255 - db);
                    if (candidate != qRgb(0, 0, 0) && !std::binary_search(used.begin(), used.end(), candidate))
                        return candidate;
                }
    throw GIFException(msg::ColorTableOverflow);
}

QImage RenderFrameRgb(TGIFSubImage& frame)
{
    if (frame.Empty())
        return {};
    const auto colors = frameColors(frame);
    QImage out(frame.Width(), frame.Height(), QImage::Format_RGB32);
    if (out.isNull())
        throw std::bad_alloc();
    for (int y = 0; y < frame.Height(); ++y) {
        const std::uint8_t* src = frame.Scanline(y);
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < frame.Width(); ++x)
            row[x] = colors[src[x]];
    }
    return out;
}

} // namespace orugif::gif

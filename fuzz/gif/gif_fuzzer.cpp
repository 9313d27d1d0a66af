// Reads any bytes as a GIF, composes its frames, writes it back and reads
// the result again: nothing may crash, and the frames must survive.
#include "gif/compose.h"
#include "gif/gifimage.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace orugif::gif;

namespace {

struct Frame {
    int width, height;
    std::vector<std::uint8_t> pixels;
    bool operator==(const Frame&) const = default;
};

std::vector<Frame> framesOf(const TGIFImage& image)
{
    std::vector<Frame> frames;
    for (const auto& s : image.Images())
        if (!s->Empty())
            frames.push_back({s->Width(), s->Height(), s->Data()});
    return frames;
}

// All the composed frames together, as the editor measures them before
// opening: bounded here too, with a smaller limit so that a few bytes of
// file (thousands of frames on a large screen) cannot exhaust the fuzzer's
// memory or time. Composition and the optimisations, which walk every frame
// over the whole screen, run only within it; every file is still read,
// written and read back.
constexpr std::int64_t kMaxComposedPixels = std::int64_t(1) << 24;

bool composeBounded(TGIFImage& image)
{
    try {
        TGIFFrameComposer composer(image);
        if (composer.TotalPixels() > kMaxComposedPixels)
            return false;
        while (composer.Advance()) {
        }
    } catch (const GIFException&) {
        // Frames the composer refuses still go through the optimisations.
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Smaller limits keep every run quick; the checks are the same.
    GIFDefaults::MaxFramePixels = 1 << 20;
    GIFDefaults::MaxTotalPixels = 1 << 22;
    TGIFImage image;
    int warnings = 0;
    image.SetOnWarning([&warnings](const TGIFItem*, int, const QString&) { ++warnings; });
    try {
        image.LoadFromData({data, size});
    } catch (const GIFException&) {
    }
    if (image.Images().Count() == 0)
        return 0;
    const bool bounded = composeBounded(image);
    QByteArray saved;
    try {
        saved = image.SaveToData();
    } catch (const GIFException&) {
        return 0;  // pixels outside their colour table cannot be written
    }
    TGIFImage again;
    again.LoadFromData({reinterpret_cast<const std::uint8_t*>(saved.constData()), std::size_t(saved.size())});
    if (framesOf(again) != framesOf(image))
        std::abort();
    if (!bounded)
        return 0;
    // The optimisations the editor runs before saving.
    try {
        again.OptimizeColorTable();
        again.OptimizeFrames(TGIFImage::ooMerge | TGIFImage::ooCrop);
        composeBounded(again);
        if (again.Images().Count() > 0)
            (void)again.SaveToData();
    } catch (const GIFException&) {
    }
    return 0;
}

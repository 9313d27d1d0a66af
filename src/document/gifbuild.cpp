#include "document/gifbuild.h"

#include "gif/extensions.h"
#include "gif/gifimage.h"

namespace orugif {

void addFrames(gif::TGIFImage& image, const std::vector<QImage>& frames, const AnimationSettings& settings,
               const std::function<void(int, int)>& progress)
{
    image.ClearAll();
    const int count = int(frames.size());
    for (int i = 0; i < count; ++i) {
        if (progress)
            progress(i, count);
        const int index = image.AddFrameImage(frames[std::size_t(i)]);
        gif::TGIFSubImage& sub = *image.Images()[index];
        if (i == 0) {
            auto loop = std::make_unique<gif::TGIFAppExtNSLoop>(&sub);
            loop->SetLoopCount(settings.RepeatCount & 0xFFFF);
            sub.Extensions().Add(std::move(loop));
        }
        auto gce = std::make_unique<gif::TGIFGraphicControlExtension>(&sub);
        gce->SetDelayTime(settings.FrameDelay & 0xFFFF);
        if (settings.TransparentBackground) {
            // The bottom-left pixel's colour, read after the frame was indexed.
            gce->SetTransparentFlag(true);
            gce->SetTransparentIndex(sub.Pixel(0, sub.Height() - 1));
        }
        sub.Extensions().Add(std::move(gce));
    }
    if (progress)
        progress(count, count);
}

void optimise(gif::TGIFImage& image, const AnimationSettings& settings)
{
    if (settings.RemoveLocalPalettes)
        image.OptimizeColorTable();
    int options = 0;
    if (settings.MergeDuplicatePixels)
        options |= gif::TGIFImage::ooMerge;
    if (settings.RemoveUselessFrames)
        options |= gif::TGIFImage::ooCrop;
    if (options != 0)
        image.OptimizeFrames(options, 0, 0, 0);
}

} // namespace orugif

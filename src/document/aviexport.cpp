#include "document/aviexport.h"

#include "gif/gifimage.h"

#include <new>

namespace orugif {

namespace {

// The frames as indexes of the image's one table, or nothing when some
// frame keeps a table of its own.
bool takeOneTable(const gif::TGIFImage& image, formats::AviFrames& out)
{
    const gif::TGIFColorMap& global = image.GlobalColorMap();
    if (global.Count() == 0)
        return false;
    for (const auto& sub : image.Images())
        if (sub->ColorMap().Count() > 0)
            return false;
    out.palette.clear();
    for (int i = 0; i < global.Count(); ++i)
        out.palette.push_back(qRgb(global[i].r, global[i].g, global[i].b));
    out.frames.clear();
    out.frames.reserve(std::size_t(image.Images().Count()));
    for (const auto& sub : image.Images()) {
        QImage indexed(sub->Width(), sub->Height(), QImage::Format_Indexed8);
        if (indexed.isNull())
            throw std::bad_alloc();
        for (int y = 0; y < sub->Height(); ++y)
            std::copy_n(sub->Scanline(y), sub->Width(), indexed.scanLine(y));
        indexed.setColorTable(out.palette);
        out.frames.push_back(std::move(indexed));
    }
    return true;
}

} // namespace

formats::AviFrames aviExportFrames(const std::vector<QImage>& frames, AnimationSettings settings,
                                   const std::function<void(int, int)>& progress)
{
    settings.TransparentBackground = false;
    settings.MergeDuplicatePixels = false;
    settings.RemoveUselessFrames = false;
    settings.RemoveLocalPalettes = true;  // one palette chosen from every frame
    formats::AviFrames out;
    gif::TGIFImage image;
    addFrames(image, frames, settings, progress);
    image.OptimizeColorTable();
    if (takeOneTable(image, out))
        return out;
    settings.ColorReduction = 7;
    settings.ReductionBits = 8;
    addFrames(image, frames, settings, progress);
    image.OptimizeColorTable();
    if (!takeOneTable(image, out))
        throw std::logic_error("one palette expected for the AVI export");
    return out;
}

} // namespace orugif

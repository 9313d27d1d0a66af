// Composition of a GIF's frames as the editor shows them after opening:
// the logical screen starts as the page (white, or a colour of the caller's
// choosing), each frame is drawn at its position with its transparent pixels
// leaving what is beneath, and the previous frame's disposal is applied
// first ("restore to background" shows the page again).
#pragma once
#include "gif/gifimage.h"

#include <QImage>
#include <functional>
#include <vector>

namespace orugif::gif {

class TGIFFrameComposer {
public:
    // The image must outlive the composer. The canvas is the logical screen,
    // or the frames' extent when the screen is empty.
    explicit TGIFFrameComposer(TGIFImage& image, QRgb page = qRgb(255, 255, 255));

    // Number of frames: the sub-images that have pixels.
    int Count() const { return int(frames_.size()); }
    // Pixels of all the composed frames together (Count x canvas), for a
    // caller to check against its memory limit before composing them.
    std::int64_t TotalPixels() const { return std::int64_t(Count()) * canvas_.width() * canvas_.height(); }
    // The next composed frame (Format_RGB32, canvas size); null after the
    // last only. Running out of memory raises std::bad_alloc.
    QImage Next();
    // Composes the next frame into the composer's own canvas and returns it
    // without copying (valid until the next call); false after the last.
    // Running out of memory raises std::bad_alloc.
    bool Advance();
    const QImage& Canvas() const { return canvas_; }

private:
    TGIFImage& image_;
    std::vector<TGIFSubImage*> frames_;
    std::size_t next_ = 0;
    QImage canvas_;
    QImage saved_;  // the canvas before a "restore previous" frame
    TGIFSubImage* previous_ = nullptr;
    QRgb page_;
};

// Copies the canvas for each frame Next returns; a null copy means memory ran
// out. Replaceable so that running out of memory can be tested.
inline QImage CopyCanvas(const QImage& canvas) { return canvas.copy(); }
inline std::function<QImage(const QImage&)> CopyComposedFrame = CopyCanvas;

// Every composed frame at once (std::bad_alloc when memory runs out).
std::vector<QImage> ComposeFrames(TGIFImage& image, QRgb page = qRgb(255, 255, 255));

// An opaque colour that no colour table of the image holds, close to white
// so that it looks like the white page where it shows; white itself and
// black are never chosen.
QRgb UnusedColour(const TGIFImage& image);

// A frame's own pixels as a Format_RGB32 picture of its size (transparent
// pixels keep their table colour).
QImage RenderFrameRgb(TGIFSubImage& frame);

} // namespace orugif::gif

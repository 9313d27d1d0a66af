// Common base of every part of the GIF image model: it knows its owning
// image, the file version it needs, and passes warnings to that image.
#pragma once
#include "gif/gifexception.h"

namespace orugif::gif {

class TGIFImage;

class TGIFItem {
public:
    explicit TGIFItem(TGIFImage* image = nullptr) : image_(image) {}
    virtual ~TGIFItem() = default;
    TGIFItem(const TGIFItem&) = delete;
    TGIFItem& operator=(const TGIFItem&) = delete;

    TGIFImage* Image() const { return image_; }
    void SetImage(TGIFImage* image) { image_ = image; }

    // 1 when GIF87a suffices, 2 when the item needs GIF89a.
    virtual int Version() const { return 1; }

    // Forwards (this, severity, message) to the owning image's handler.
    void Warning(int severity, const char* message) const;

private:
    TGIFImage* image_;
};

} // namespace orugif::gif

// The clipboard as the document sees it: one picture in, one picture out.
#pragma once
#include <QImage>

namespace orugif {

class ClipboardPort {
public:
    virtual ~ClipboardPort() = default;
    // True when the clipboard offers a picture (it may still be empty).
    virtual bool hasImage() const = 0;
    virtual QImage image() const = 0;
    virtual void setImage(const QImage& image) = 0;
    // Text for other programs (the HTML tag).
    virtual void setText(const QString& text) = 0;
};

// The system clipboard through Qt, so pictures travel to and from other
// programs.
class SystemClipboard final : public ClipboardPort {
public:
    bool hasImage() const override;
    QImage image() const override;
    void setImage(const QImage& image) override;
    void setText(const QString& text) override;
};

} // namespace orugif

// The frame store: an ordered list of equal-sized frames, indexed from 0.
#pragma once
#include <QImage>
#include <QSize>
#include <vector>

namespace orugif {

// Frames are QImage Format_RGB32. Inserting and deleting move image handles
// only; the pixels of the other frames are never copied. Every frame has the
// store's frame size: a picture of another size is fitted to it (cut at the
// right and bottom, white where it is smaller).
class FrameStore {
public:
    int count() const { return int(frames_.size()); }
    bool isEmpty() const { return frames_.empty(); }
    bool contains(int index) const { return index >= 0 && index < count(); }

    QSize frameSize() const { return size_; }
    int width() const { return size_.width(); }
    int height() const { return size_.height(); }
    // Only while the store is empty; a non-empty store keeps its size.
    void setFrameSize(QSize size);
    // True once a picture or an operation has set the frame size; the first
    // picture to enter a store whose size was never set sets it.
    bool frameSizeSet() const { return sizeSet_; }

    int add(const QImage& picture);             // returns the new index
    void insert(int index, const QImage& picture);  // index clamped to 0..count
    void replace(int index, const QImage& picture);
    void remove(int index);
    void clear() { frames_.clear(); }           // the frame size stays
    void reverse();

    // Frame `index` (shared, copy-on-write); a null image when out of range.
    QImage frame(int index) const;
    const std::vector<QImage>& frames() const { return frames_; }

    // Replaces the whole store by frames of one size (resize, wizards, opening).
    void assign(std::vector<QImage> frames, QSize size);

private:
    QImage fitted(const QImage& picture);

    std::vector<QImage> frames_;
    QSize size_{16, 16};
    bool sizeSet_ = false;
};

} // namespace orugif

// The frame store: an ordered list of equal-sized frames, indexed from 0.
#pragma once
#include <QImage>
#include <QSize>
#include <vector>

namespace orugif {

// Frames are QImage Format_RGB32, each with its own delay (hundredths of a
// second); kAnimationDelay stands for the animation's delay, which a new
// frame takes until a delay of its own is set. Inserting and deleting move image handles
// only; the pixels of the other frames are never copied. Every frame has the
// store's frame size: a picture of another size is fitted to it (cut at the
// right and bottom, white where it is smaller).
class FrameStore {
public:
    static constexpr int kAnimationDelay = -1;

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

    int add(const QImage& picture, int delay = kAnimationDelay);  // returns the new index
    void insert(int index, const QImage& picture, int delay = kAnimationDelay);  // index clamped to 0..count
    void replace(int index, const QImage& picture);  // the frame keeps its delay
    void remove(int index);
    void clear()  // the frame size stays
    {
        frames_.clear();
        delays_.clear();
    }
    void reverse();

    // Frame `index`'s own delay, or kAnimationDelay (also when out of range).
    int delay(int index) const { return contains(index) ? delays_[std::size_t(index)] : kAnimationDelay; }
    // A negative delay gives the frame back the animation's delay.
    void setDelay(int index, int delay);
    // Every frame takes the animation's delay.
    void clearDelays();
    const std::vector<int>& delays() const { return delays_; }

    // Frame `index` (shared, copy-on-write); a null image when out of range.
    QImage frame(int index) const;
    const std::vector<QImage>& frames() const { return frames_; }

    // Replaces the whole store by frames of one size (resize, wizards,
    // opening); `delays` gives their delays in order, the animation's delay
    // for every frame past its end.
    void assign(std::vector<QImage> frames, QSize size, std::vector<int> delays = {});

private:
    QImage fitted(const QImage& picture);

    std::vector<QImage> frames_;
    std::vector<int> delays_;  // one a frame
    QSize size_{16, 16};
    bool sizeSet_ = false;
};

} // namespace orugif

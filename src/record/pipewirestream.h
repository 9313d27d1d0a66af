// The pictures of one screen-cast stream of PipeWire, received on a thread of
// PipeWire's own: the stream pushes frames at the desktop's pace, the latest
// one is kept, and a reader copies a region of it whenever it wants.
#pragma once
#include <QImage>
#include <QRect>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace orugif::record {

class PipeWireStream {
public:
    // Connects to the PipeWire remote `fd` (taken over, closed with the
    // stream) and to its node `node`. False, with `why` set, when PipeWire
    // refused.
    PipeWireStream();
    ~PipeWireStream();
    PipeWireStream(const PipeWireStream&) = delete;
    PipeWireStream& operator=(const PipeWireStream&) = delete;

    bool open(int fd, std::uint32_t node, QString* why);
    // Waits for the first frame. False, with `why` set, when the stream
    // failed or sent none within `limit`.
    bool waitForFrame(std::chrono::milliseconds limit, QString* why);
    // The size of the latest frame (empty before the first).
    QSize size() const;
    // Copies `region` of the latest frame into `into` (Format_RGB32, its
    // buffer reused when it fits). False when the stream failed, sent no
    // frame yet, or its frames no longer hold the region.
    bool copy(const QRect& region, QImage& into) const;
    // Frames received so far.
    std::uint64_t frames() const;

    struct Native;  // PipeWire's objects and callbacks

private:
    friend struct Native;
    void received(QImage&& frame);
    void failed(const QString& why);

    std::unique_ptr<Native> native_;
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    QImage latest_;
    std::uint64_t frames_ = 0;
    QString error_;
};

} // namespace orugif::record

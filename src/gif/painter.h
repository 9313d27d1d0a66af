// The animation painter: plays a GIF image's frames with their delays,
// disposal methods, transparency and loop count, on a thread of its own or
// inside the caller, and reports its progress through five events.
#pragma once
#include "gif/gifimage.h"

#include <QImage>
#include <QRect>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace orugif::gif {

// Draw option bits of the painter.
inline constexpr std::uint16_t goThreaded = 0x0001;
inline constexpr std::uint16_t goTransparent = 0x0002;
inline constexpr std::uint16_t goAnimate = 0x0004;
inline constexpr std::uint16_t goLoop = 0x0008;
inline constexpr std::uint16_t goLoopContinously = 0x0010;
inline constexpr std::uint16_t goValidateCanvas = 0x0020;
inline constexpr std::uint16_t goDirectDraw = 0x0040;
inline constexpr std::uint16_t goClearOnLoop = 0x0080;
inline constexpr std::uint16_t goTile = 0x0100;

// Timing: 12 ms a hundredth of a second; a missing or zero delay counts 10,
// a delay below 3 counts 3, and above 1000 counts 1000 when not threaded.
inline constexpr int kDelayUnitMs = 12;
inline constexpr int kDefaultDelay = 10;
inline constexpr int kMinimumDelay = 3;
inline constexpr int kMaximumDelay = 1000;

class TGIFPainter : public TGIFPainterHandle {
public:
    using Clock = std::chrono::steady_clock;
    using Event = std::function<void(TGIFPainter&)>;
    struct Events {
        Event startPaint, paint, afterPaint, loop, endPaint;
    };
    // Runs a call on the user-interface thread and returns when it is done
    // (a blocking queued call); empty: the call runs on the painter's thread.
    using Dispatch = std::function<void(const std::function<void()>&)>;
    // Receives the target picture each time a frame was drawn.
    using Output = std::function<void(const QImage&)>;

    // Takes everything it needs from `image` now (frames rendered, delays,
    // disposal methods, loop count), so the painter thread never touches the
    // image. Registers with the image, which stops it before any change.
    TGIFPainter(TGIFImage& image, QSize target, std::uint16_t options, Events events, Output output,
                Dispatch dispatch = {});
    ~TGIFPainter() override;

    // Threaded: starts the thread and returns. Otherwise plays inside the call.
    void Start();
    // Ends the painter, waking it when it waits or is paused, and waits for
    // its thread while the caller's pending queued calls keep being served.
    void Stop() override;
    // Pause and resume act between frames and while waiting; pressing either
    // twice is harmless. A pause stops the shown frame's clock: after Resume
    // it stays for the time it had left and the next frames keep their pace.
    void Pause();
    void Resume();
    bool Paused() const { return paused_; }
    bool Finished() const { return finished_; }

    // The frame being shown; an after-paint handler may move it.
    int FrameIndex = -1;
    int Speed = 100;  // percent; below 1 waits until woken
    const QImage& Target() const { return target_; }
    int FrameCount() const { return int(frames_.size()); }

    // How waits pass (for the painter played inside the caller) and what
    // time it is, by which lateness is measured (tests make both
    // deterministic).
    std::function<void(std::chrono::milliseconds)> sleep;
    std::function<Clock::time_point()> now;
    // Every computed wait, in order (read after the painter ended).
    std::vector<long> Waits;

private:
    struct Frame {
        QImage picture;  // ARGB32: transparent pixels have alpha 0 with the transparent option
        QRect rect;
        int delay = kDefaultDelay;
        int disposal = 1;
        bool hasLoop = false;
        int loopCount = 0;
    };

    void run();
    void playPass(int& passes, int& restartFrame, bool& loopMet);
    enum class Waited { Elapsed, Woken, Terminated };
    Waited waitFor(long milliseconds);
    void blockWhilePaused();
    void drawFrame(int index, int& previousDisposal);
    void restoreBackground(QImage& surface, const QRect& rect) const;
    void show(const QImage& screen);
    void fire(const Event& event);
    void onUi(const std::function<void()>& call);

    TGIFImage* image_;
    std::uint16_t options_;
    Events events_;
    Output output_;
    Dispatch dispatch_;
    std::vector<Frame> frames_;
    QSize screen_;
    QRgb background_;
    QImage composition_;
    QImage target_;
    bool frameDrawn_ = false;
    bool restart_ = true;

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> paused_{false};
    std::atomic<bool> finished_{false};
    bool woken_ = false;
};

} // namespace orugif::gif

#include "gif/painter.h"

#include "gif/compose.h"
#include "gif/extensions.h"

#include <QCoreApplication>
#include <QPainter>
#include <QThread>
#include <algorithm>
#include <climits>

// Qt's blocking queued call synchronises the two threads in code that
// ThreadSanitizer does not see; these annotations tell it about the hand-over.
#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#define ORUGIF_HANDOVER_RELEASE(p) __tsan_release(p)
#define ORUGIF_HANDOVER_ACQUIRE(p) __tsan_acquire(p)
#else
#define ORUGIF_HANDOVER_RELEASE(p) ((void)(p))
#define ORUGIF_HANDOVER_ACQUIRE(p) ((void)(p))
#endif

namespace orugif::gif {

namespace {

QRgb colourToRgb(std::int32_t c) { return qRgb(c & 0xff, (c >> 8) & 0xff, (c >> 16) & 0xff); }

} // namespace

TGIFPainter::TGIFPainter(TGIFImage& image, QSize target, std::uint16_t options, Events events, Output output,
                         Dispatch dispatch)
    : image_(&image), options_(options), events_(std::move(events)), output_(std::move(output)),
      dispatch_(std::move(dispatch))
{
    screen_ = QSize(image.Width(), image.Height());
    for (int i = 0; i < image.Images().Count(); ++i) {
        TGIFSubImage& sub = *image.Images()[i];
        Frame f;
        f.rect = QRect(sub.Left(), sub.Top(), sub.Width(), sub.Height());
        screen_ = screen_.expandedTo(QSize(f.rect.right() + 1, f.rect.bottom() + 1));
        if (!sub.Empty()) {
            f.picture = RenderFrameRgb(sub).convertToFormat(QImage::Format_ARGB32);
            const TGIFGraphicControlExtension* gce = sub.GraphicControlExtension();
            if ((options_ & goTransparent) && gce && gce->TransparentFlag()) {
                const int index = gce->TransparentIndex();
                for (int y = 0; y < sub.Height(); ++y) {
                    const std::uint8_t* in = sub.Scanline(y);
                    auto* out = reinterpret_cast<QRgb*>(f.picture.scanLine(y));
                    for (int x = 0; x < sub.Width(); ++x)
                        if (in[x] == index)
                            out[x] = 0;
                }
            }
        }
        if (const TGIFGraphicControlExtension* gce = sub.GraphicControlExtension()) {
            f.delay = gce->DelayTime();
            f.disposal = gce->DisposalMethod();
        }
        for (const auto& ext : sub.Extensions())
            if (const auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(ext.get())) {
                f.hasLoop = true;
                f.loopCount = loop->LoopCount();
                break;
            }
        frames_.push_back(std::move(f));
    }
    if (image.DrawBackgroundColor != clNone)
        background_ = colourToRgb(image.DrawBackgroundColor);
    else if (!image.GlobalColorMap().Empty() && image.Header().BackgroundColorIndex < image.GlobalColorMap().Count())
    {
        const GIFColor c = image.GlobalColorMap().Color(image.Header().BackgroundColorIndex);
        background_ = qRgb(c.r, c.g, c.b);
    }
    else
        background_ = qRgb(255, 255, 255);
    background_ |= 0xff000000u;

    // A single frame is a still picture: no thread, no animation.
    if (frames_.size() <= 1)
        options_ &= std::uint16_t(~(goThreaded | goAnimate));
    Speed = image.AnimationSpeed;
    composition_ = QImage(screen_, QImage::Format_RGB32);
    composition_.fill(background_);
    target_ = QImage(target.isEmpty() ? screen_ : target, QImage::Format_RGB32);
    target_.fill(background_);
    image.AddPainter(this);
}

TGIFPainter::~TGIFPainter() { Stop(); }

void TGIFPainter::Start()
{
    if (frames_.empty() || screen_.isEmpty())
        return;
    if (options_ & goThreaded)
        thread_ = std::thread([this] { run(); });
    else
        run();
}

void TGIFPainter::Stop()
{
    terminated_ = true;
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        // The painter may be inside a blocking call to this thread: keep
        // serving those calls until it has ended.
        const bool onUi = QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
        while (!finished_) {
            if (onUi)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            std::unique_lock lock(mutex_);
            wake_.wait_for(lock, std::chrono::milliseconds(2), [this] { return finished_.load(); });
        }
        thread_.join();
    }
    if (image_) {
        image_->RemovePainter(this);
        image_ = nullptr;
    }
}

void TGIFPainter::Pause()
{
    {
        std::lock_guard lock(mutex_);
        paused_ = true;
    }
    wake_.notify_all();  // a wait in progress stops its clock
}

void TGIFPainter::Resume()
{
    if (!paused_)
        return;
    {
        std::lock_guard lock(mutex_);
        paused_ = false;
        woken_ = true;
    }
    wake_.notify_all();
}

void TGIFPainter::onUi(const std::function<void()>& call)
{
    if (dispatch_ && (options_ & goThreaded)) {
        ORUGIF_HANDOVER_RELEASE(this);
        dispatch_([this, &call] {
            ORUGIF_HANDOVER_ACQUIRE(this);
            call();
            ORUGIF_HANDOVER_RELEASE(this);
        });
        ORUGIF_HANDOVER_ACQUIRE(this);
    } else {
        call();
    }
}

void TGIFPainter::fire(const Event& event)
{
    if (event)
        onUi([this, &event] { event(*this); });
}

void TGIFPainter::blockWhilePaused()
{
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return !paused_ || terminated_; });
}

TGIFPainter::Waited TGIFPainter::waitFor(long milliseconds)
{
    Waits.push_back(milliseconds);
    if (!(options_ & goThreaded)) {
        if (sleep)
            sleep(std::chrono::milliseconds(std::max(milliseconds, 1L)));
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(std::max(milliseconds, 1L)));
        return terminated_ ? Waited::Terminated : Waited::Elapsed;
    }
    std::unique_lock lock(mutex_);
    woken_ = false;
    // A pause stops the wait's clock: after "Marche" the frame stays for the
    // time it had left, and the caller starts timing afresh, so the frames
    // that follow keep their pace instead of making up for the pause.
    auto remaining = std::chrono::milliseconds(std::max(milliseconds, 0L));
    bool paused = false;
    const auto done = [this] { return terminated_ || woken_ || paused_; };
    for (;;) {
        const auto start = Clock::now();
        if (Speed < 1)
            wake_.wait(lock, done);
        else
            wake_.wait_until(lock, start + remaining, done);
        if (terminated_)
            return Waited::Terminated;
        if (!paused_)
            return woken_ || paused ? Waited::Woken : Waited::Elapsed;
        remaining -= std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        remaining = std::max(remaining, std::chrono::milliseconds(0));
        paused = true;
        wake_.wait(lock, [this] { return !paused_ || terminated_; });
        if (terminated_)
            return Waited::Terminated;
        // Without a speed the wait lasts until woken: "Marche" is that.
        if (Speed < 1)
            return Waited::Woken;
        woken_ = false;
    }
}

void TGIFPainter::run()
{
    const auto clock = [this] { return now ? now() : Clock::now(); };
    try {
        while (restart_ && !terminated_) {
            FrameIndex = 0;
            fire(events_.startPaint);
            restart_ = false;
            int passes = 1;
            int restartFrame = 0;
            bool loopMet = false;
            long nextDelay = (options_ & goThreaded) ? 0 : 1;
            long previousWait = 0;
            auto reference = clock();
            for (;;) {
                if (terminated_ || restart_)
                    break;
                FrameIndex = restartFrame;
                if (frameDrawn_)
                    fire(events_.loop);
                int previousDisposal = 1;
                while (FrameIndex >= 0 && FrameIndex < int(frames_.size()) && !frames_[std::size_t(FrameIndex)].picture.isNull()
                       && !terminated_ && !restart_) {
                    if (paused_) {
                        blockWhilePaused();
                        // The pause is no lateness to make up for.
                        previousWait = 0;
                        reference = clock();
                    }
                    if (nextDelay < 1) {
                        std::this_thread::yield();
                    } else {
                        const long elapsed = long(std::chrono::duration_cast<std::chrono::milliseconds>(clock() - reference).count());
                        const long drift = (elapsed - previousWait) / 2;
                        long wait;
                        if (Speed < 1)
                            wait = (options_ & goThreaded) ? LONG_MAX : long(kMaximumDelay) * kDelayUnitMs;
                        else
                            wait = (nextDelay * kDelayUnitMs - drift) * 100 / Speed;
                        reference = clock();
                        const Waited waited = waitFor(wait);
                        if (waited == Waited::Terminated)
                            break;
                        previousWait = wait;
                        if (waited == Waited::Woken) {  // paused or woken: start timing afresh
                            previousWait = 0;
                            reference = clock();
                        }
                    }
                    fire(events_.paint);
                    const Frame& frame = frames_[std::size_t(FrameIndex)];
                    if (frame.hasLoop && !loopMet) {
                        loopMet = true;
                        passes = frame.loopCount == 0 || ((options_ & goLoopContinously) && (options_ & goThreaded))
                            ? -1 : frame.loopCount;
                        if (frame.loopCount == 0 && !(options_ & goThreaded))
                            passes = 0;
                        restartFrame = FrameIndex;
                    }
                    const int shown = FrameIndex;
                    onUi([this, shown, &previousDisposal] { drawFrame(shown, previousDisposal); });
                    frameDrawn_ = true;
                    nextDelay = frame.delay == 0 ? kDefaultDelay : std::max(frame.delay, kMinimumDelay);
                    if (!(options_ & goThreaded))
                        nextDelay = std::min<long>(nextDelay, kMaximumDelay);
                    fire(events_.afterPaint);
                    if (FrameIndex == shown)
                        ++FrameIndex;
                    if (!(options_ & goAnimate))
                        break;
                }
                if (passes > 0)
                    --passes;
                const bool again = (options_ & goAnimate) && (options_ & goLoop)
                    && (passes != 0 || (options_ & goLoopContinously));
                if (!again || terminated_)
                    break;
            }
        }
    } catch (...) {
        terminated_ = true;
    }
    FrameIndex = -1;
    fire(events_.endPaint);
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
    }
    wake_.notify_all();
}

void TGIFPainter::restoreBackground(QImage& surface, const QRect& rect) const
{
    QPainter painter(&surface);
    painter.fillRect(rect, background_);
}

void TGIFPainter::drawFrame(int index, int& previousDisposal)
{
    const Frame& frame = frames_[std::size_t(index)];
    if ((options_ & goClearOnLoop) && index == 0)
        restoreBackground(composition_, frame.rect);
    const int disposal = frame.disposal;
    if (disposal > 3)
        return;  // methods 4 to 7 draw nothing
    if (disposal == 3) {
        // Shown over the present state, which stays for the next frame.
        QImage shownState = composition_.copy();
        QPainter(&shownState).drawImage(frame.rect.topLeft(), frame.picture);
        show(shownState);
    } else {
        QPainter(&composition_).drawImage(frame.rect.topLeft(), frame.picture);
        show(composition_);
        if (disposal == 2)
            restoreBackground(composition_, frame.rect);
    }
    previousDisposal = disposal;
}

void TGIFPainter::show(const QImage& screen)
{
    if (target_.size() == screen.size()) {
        target_ = screen.copy();
    } else if (options_ & goTile) {
        QPainter painter(&target_);
        for (int y = 0; y < target_.height(); y += screen.height())
            for (int x = 0; x < target_.width(); x += screen.width())
                painter.drawImage(x, y, screen);
    } else {
        target_ = screen.scaled(target_.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
    if (output_)
        output_(target_);
}

} // namespace orugif::gif

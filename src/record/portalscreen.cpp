// The screen of a Wayland session, through the desktop portal's screen cast:
// the portal says what it offers without asking the user; the sharing starts
// (and the desktop shows its chooser) only when a recording, or the picker of
// a region, needs the pictures. Frames come from PipeWire; a grab copies the
// region asked for out of the latest one.
#include "record/pipewirestream.h"
#include "record/portal.h"
#include "record/screensource.h"

#include <QGuiApplication>
#include <QScreen>

namespace orugif::record {

namespace {

using namespace std::chrono_literals;

// How long the first picture may take once the desktop agreed.
constexpr auto kFirstFrame = 5000ms;

// The screen's size before the sharing says it: the toolkit's main screen
// in device pixels, when it has one.
QRect estimatedScreen()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())
        && QGuiApplication::platformName() != QLatin1String("offscreen"))
        if (const QScreen* s = QGuiApplication::primaryScreen())
            return QRect(QPoint(0, 0), s->geometry().size() * s->devicePixelRatio());
    return QRect(0, 0, 1920, 1080);
}

class PortalScreen final : public ScreenSource {
public:
    explicit PortalScreen(const PortalOffer& offer) : offer_(offer), estimate_(estimatedScreen()) {}

    QRect screenRect() const override
    {
        if (stream_)
            if (const QSize s = stream_->size(); !s.isEmpty())
                return QRect(QPoint(0, 0), s);
        return estimate_;
    }

    bool grab(const QRect& region, bool, QImage& into) override
    {
        // The pointer is in the pictures or not as share() asked the desktop.
        return stream_ && stream_->copy(region, into);
    }

    // Wayland gives programs no view of other programs' windows.
    std::optional<QRect> windowRect(std::uint32_t) override { return std::nullopt; }
    std::optional<std::pair<std::uint32_t, QRect>> windowAt(QPoint, std::uint32_t) override { return std::nullopt; }

    ScreenTraits traits() const override
    {
        ScreenTraits t;
        t.windowsByPlace = false;
        t.globalKeys = false;
        t.sharesWindow = offer_.sourceTypes & SourceWindow;
        if (!t.sharesWindow)
            t.windowNote = QStringLiteral("Ce bureau ne partage pas une fenêtre seule : choisissez « Une zone » "
                                          "autour d'elle.");
        const bool shows = offer_.cursorModes & CursorEmbedded;
        const bool hides = offer_.cursorModes & CursorHidden;
        if (!shows && offer_.version >= 2)
            t.pointerNote = QStringLiteral("Ce bureau ne montre pas le pointeur de la souris dans les images qu'il partage.");
        else if (!hides && offer_.version >= 2)
            t.pointerNote = QStringLiteral("Ce bureau montre toujours le pointeur de la souris dans les images qu'il partage.");
        else if (offer_.version < 2)
            t.pointerNote = QStringLiteral("Ce bureau décide lui-même si le pointeur de la souris est montré.");
        return t;
    }

    Sharing share(bool pointer, bool window, QString* why) override
    {
        std::uint32_t cursor = 0;
        if (pointer && (offer_.cursorModes & CursorEmbedded))
            cursor = CursorEmbedded;
        else if (!pointer && (offer_.cursorModes & CursorHidden))
            cursor = CursorHidden;
        if (stream_ && cursor == cursor_ && window == window_)
            return Sharing::Ready;
        stream_.reset();
        cast_ = std::make_unique<PortalScreenCast>();
        const auto fail = [this] {
            stream_.reset();
            cast_.reset();
            return Sharing::Failed;
        };
        switch (cast_->start(window ? SourceWindow : SourceMonitor, cursor, offer_.version, why)) {
        case PortalScreenCast::Outcome::Cancelled:
            cast_.reset();
            return Sharing::Cancelled;
        case PortalScreenCast::Outcome::Failed:
            return fail();
        case PortalScreenCast::Outcome::Started:
            break;
        }
        const int fd = cast_->openPipeWireRemote(why);
        if (fd < 0)
            return fail();
        stream_ = std::make_unique<PipeWireStream>();
        if (!stream_->open(fd, cast_->stream().node, why) || !stream_->waitForFrame(kFirstFrame, why))
            return fail();
        cursor_ = cursor;
        window_ = window;
        return Sharing::Ready;
    }

private:
    PortalOffer offer_;
    QRect estimate_;
    std::unique_ptr<PortalScreenCast> cast_;
    std::unique_ptr<PipeWireStream> stream_;  // goes before the session it belongs to
    std::uint32_t cursor_ = 0;
    bool window_ = false;
};

} // namespace

std::unique_ptr<ScreenSource> openPortalScreen(QString* why)
{
    const PortalOffer offer = probePortal();
    if (!offer.reachable) {
        if (why)
            *why = offer.why;
        return nullptr;
    }
    return std::make_unique<PortalScreen>(offer);
}

} // namespace orugif::record

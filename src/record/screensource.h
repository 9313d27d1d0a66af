// Where a recording's pictures come from: the screen of the session the
// editor runs in. The recorder asks for one region at a time; the source
// says what the session offers before anything is recorded.
#pragma once
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

namespace orugif::record {

// What a session lets a recording do besides reading the screen.
struct ScreenTraits {
    // windowAt() and windowRect() find windows by place and by id.
    bool windowsByPlace = true;
    // "Une fenêtre" can be one window the user chooses in the desktop's own
    // chooser when the sharing starts (see share()).
    bool sharesWindow = false;
    // Why no window can be recorded, when neither of the above holds.
    QString windowNote;
    // When "Afficher le pointeur" cannot be followed: what happens instead.
    QString pointerNote;
    // Ctrl+Alt+P and Ctrl+Alt+S reach the recording from any window.
    bool globalKeys = true;
};

class ScreenSource {
public:
    virtual ~ScreenSource() = default;
    // The whole screen, in screen pixels.
    virtual QRect screenRect() const = 0;
    // Copies `region` of the screen into `into` (Format_RGB32, the region's
    // size; its buffer is reused when it already has that size and is not
    // shared), with the mouse pointer drawn over it when `pointer` is set.
    // False when the screen could not be read.
    virtual bool grab(const QRect& region, bool pointer, QImage& into) = 0;
    // The screen rectangle of the window `id` (its outer frame when a window
    // manager framed it); nothing when there is no such window.
    virtual std::optional<QRect> windowRect(std::uint32_t id) = 0;
    // The top-level window shown under `point`, and its rectangle; the window
    // `except` (the editor's own picker over the screen) is looked through.
    virtual std::optional<std::pair<std::uint32_t, QRect>> windowAt(QPoint point, std::uint32_t except = 0) = 0;

    virtual ScreenTraits traits() const { return {}; }

    enum class Sharing { Ready, Cancelled, Failed };
    // A source that needs the user's consent (a desktop portal, which shows
    // its own chooser) asks for it here, before the screen is read: once,
    // and again only when `pointer` or `window` (share one window chosen
    // there rather than the screen) asks for another kind of sharing. Until
    // then screenRect() is an estimate. Failed with `why` set when the
    // sharing could not start or no picture came; Cancelled when the user
    // said no. A source that reads the screen directly is always Ready.
    virtual Sharing share(bool pointer, bool window, QString* why) { return Sharing::Ready; }
};

// The screen of this session: the X server's in an X11 session, the desktop
// portal's screen cast in a Wayland session. Null, with `why` set to a
// message for the user saying what is missing, when the session offers no
// screen the editor can read. Asks the user nothing.
std::unique_ptr<ScreenSource> openScreen(QString* why);

// The two kinds, for openScreen() and the tests.
// Makes `into` a Format_RGB32 picture of `size` that grab() may write:
// its buffer is kept when it already has that size and format (and made its
// own), else a new one. False when no such picture could be made.
bool readyForGrab(QImage& into, QSize size);

std::unique_ptr<ScreenSource> openX11Screen(QString* why);
std::unique_ptr<ScreenSource> openPortalScreen(QString* why);

} // namespace orugif::record

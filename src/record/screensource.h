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
};

// The screen of this session. Null, with `why` set to a message for the user,
// when the session offers no screen the editor can read: no X server, or a
// Wayland session whose X server only shows X programs.
std::unique_ptr<ScreenSource> openScreen(QString* why);

} // namespace orugif::record

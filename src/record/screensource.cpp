// Which screen a recording reads: the session's kind decides.
#include "record/screensource.h"

#include <QtGlobal>

namespace orugif::record {

std::unique_ptr<ScreenSource> openScreen(QString* why)
{
    // Under Wayland the X server only holds X programs' windows: reading it
    // would record black or partial frames, so the portal is the only way.
    const bool wayland = !qgetenv("WAYLAND_DISPLAY").isEmpty() || qgetenv("XDG_SESSION_TYPE") == "wayland";
    return wayland ? openPortalScreen(why) : openX11Screen(why);
}

bool readyForGrab(QImage& into, QSize size)
{
    if (into.size() != size || into.format() != QImage::Format_RGB32)
        into = QImage(size, QImage::Format_RGB32);
    else
        into.detach();
    return !into.isNull();
}

} // namespace orugif::record

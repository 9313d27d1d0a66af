// The desktop portal's screen-cast interface over D-Bus: what it offers
// (read without asking the user anything), and one screen-cast session, in
// which the desktop shows its own chooser and hands over a PipeWire stream.
#pragma once
#include <QPoint>
#include <QSize>
#include <QString>
#include <chrono>
#include <cstdint>

namespace orugif::record {

// The portal's source types and cursor modes (bit masks).
enum PortalSource : std::uint32_t { SourceMonitor = 1, SourceWindow = 2 };
enum PortalCursor : std::uint32_t { CursorHidden = 1, CursorEmbedded = 2, CursorMetadata = 4 };

struct PortalOffer {
    bool reachable = false;  // the portal answers and has a screen-cast interface
    std::uint32_t sourceTypes = 0;
    std::uint32_t cursorModes = 0;
    std::uint32_t version = 0;
    QString why;  // why not, when not reachable
};

// Reads the screen-cast interface's properties on the session bus (this may
// start the portal's service, never its chooser).
PortalOffer probePortal();

class PortalScreenCast {
public:
    enum class Outcome { Started, Cancelled, Failed };
    struct Stream {
        std::uint32_t node = 0;
        QSize size;  // as the portal announced it; the frames have the last word
        QPoint position;
    };

    PortalScreenCast() = default;
    ~PortalScreenCast();  // closes the session
    PortalScreenCast(const PortalScreenCast&) = delete;
    PortalScreenCast& operator=(const PortalScreenCast&) = delete;

    // Creates the session, selects the source (one of PortalSource) and the
    // cursor mode (one of PortalCursor, 0: the portal's default), and starts
    // it: the desktop may show its chooser, so this waits for the user up
    // to `chooserLimit`. Cancelled when the user closed the chooser.
    Outcome start(std::uint32_t source, std::uint32_t cursor, std::uint32_t version, QString* why,
                  std::chrono::seconds chooserLimit = std::chrono::minutes(10));
    const Stream& stream() const { return stream_; }
    // A descriptor of the PipeWire connection that sees the stream (the
    // caller owns it); -1 with `why` set when refused.
    int openPipeWireRemote(QString* why);

private:
    QString session_;
    Stream stream_;
};

} // namespace orugif::record

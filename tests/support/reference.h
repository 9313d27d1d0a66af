// The independent tools the round-trip tests compare with: Pillow's
// composition of a GIF's frames, and runs of gifsicle, Pillow scripts or
// FFmpeg that make test files.
#pragma once
#include <QImage>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace testsupport {

// A GIF as an independent decoder plays it.
struct Played {
    std::optional<int> loop;  // none: the file has no loop extension
    std::vector<QImage> frames;  // Format_ARGB32, composed
    std::vector<int> durations;  // milliseconds
};

// Whether /usr/bin/python3 with Pillow is there.
bool havePillow();
// Pillow's composition of `path`; fails the calling test on error.
Played composeWithPillow(const QString& path);
// Runs a program; true when it exits with 0.
bool run(const QString& program, const QStringList& arguments, QString* errors = nullptr);
// Runs a Python snippet with Debian's interpreter (Pillow).
bool runPython(const QString& code, const QStringList& arguments = {});

} // namespace testsupport

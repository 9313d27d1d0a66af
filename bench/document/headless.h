// A document without a window for the benchmarks: questions answered No,
// messages dropped, no clipboard; the peak memory; and plain frames.
#pragma once
#include "document/child.h"
#include "document/clipboard.h"
#include "document/prompts.h"

#include <QImage>
#include <sys/resource.h>
#include <vector>

namespace benchsupport {

struct Silent : orugif::DocumentPrompts {
    orugif::Answer ask(const QString&, orugif::Choices) override { return orugif::Answer::No; }
    void inform(const QString&) override {}
};

struct NoClipboard : orugif::ClipboardPort {
    bool hasImage() const override { return false; }
    QImage image() const override { return {}; }
    void setImage(const QImage&) override {}
    void setText(const QString&) override {}
};

// A windowless document answered by `Prompts`.
template <typename Prompts = Silent>
struct Document {
    Prompts prompts;
    NoClipboard clipboard;
    orugif::TChild child{prompts, clipboard};
};

// The process's peak resident memory so far, in kilobytes.
inline long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// `count` plain 640 x 480 frames, each of its own colour: long animations
// whose pictures cost nothing to make.
inline std::vector<QImage> plainFrames(int count)
{
    std::vector<QImage> frames;
    frames.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        QImage frame(640, 480, QImage::Format_RGB32);
        frame.fill(qRgb(i % 256, (i / 256) * 30, 90));
        frames.push_back(std::move(frame));
    }
    return frames;
}

} // namespace benchsupport

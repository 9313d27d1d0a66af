// A document without a window for the benchmarks: questions answered No,
// messages dropped, no clipboard; and the peak memory.
#pragma once
#include "document/child.h"
#include "document/clipboard.h"
#include "document/prompts.h"

#include <sys/resource.h>

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

} // namespace benchsupport

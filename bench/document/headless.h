// A document without a window for the benchmarks: questions answered No,
// messages dropped, no clipboard.
#pragma once
#include "document/clipboard.h"
#include "document/prompts.h"

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

} // namespace benchsupport

// The video import options' rules: the height a width gives and the range
// the choices amount to.
#pragma once
#include "document/prompts.h"

#include <QSize>
#include <QString>
#include <cstdint>
#include <vector>

namespace orugif::tools {

// The height of a frame `width` pixels wide keeping the proportions of
// `size`, at least 1 (as the import scales it).
int videoHeightFor(int width, QSize size);

// What the options give once confirmed: the whole stream first..last when
// `all` is chosen, whatever the fields hold; else the fields' range as typed
// (a last below the first imports nothing). The width is kept within 1 and
// the video's width.
DocumentPrompts::VideoChoice videoChoice(bool all, std::int64_t first, std::int64_t last, std::int64_t from,
                                         std::int64_t to, int width, QSize size);

// The rates offered besides the source's, in frames a second.
const std::vector<double>& videoRates();

// A rate as the dialog writes it: "29,97", "12,5", "30".
QString rateText(double rate);

// What the dialog tells of a clip: "Durée : 10,01 s · 640 x 360 · 29,97
// images par seconde · h264 · 300 images".
QString videoSummary(const formats::VideoInfo& info);

} // namespace orugif::tools

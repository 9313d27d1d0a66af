// The video import options' rules: the height a width gives and the range
// the choices amount to.
#pragma once
#include "document/prompts.h"

#include <QSize>
#include <cstdint>

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

} // namespace orugif::tools

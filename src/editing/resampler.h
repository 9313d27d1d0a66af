// The filtered, separable resampler: a horizontal pass, then a vertical pass,
// each with contributor lists computed once per destination column or row.
#pragma once
#include <QImage>
#include <QString>
#include <array>
#include <vector>

namespace orugif::editing {

struct Filter {
    const char* name;
    float support;
    float (*weight)(float t);
};

// "Box", "Triangle", "Hermite", "Bell", "B-Spline", "Lanczos3", "Mitchell".
const std::array<Filter, 7>& filters();
constexpr int kMitchell = 6;

struct Contributor {
    int index;
    float weight;
};
using Contributors = std::vector<std::vector<Contributor>>;

// Contributors of every destination position for a pass from `source` to
// `destination` positions: first and last pixels aligned, reflection at both
// edges, positions still outside after one reflection clamped to the picture.
Contributors contributors(int source, int destination, const Filter& filter, float support);

// `picture` resampled to `size` with `filter`. Weights are not normalised;
// channel sums are clamped to 0..255 and rounded to nearest, ties to even.
// Fails with "Source bitmap too small" for an empty source.
QImage filteredResize(const QImage& picture, QSize size, const Filter& filter, float support);

} // namespace orugif::editing

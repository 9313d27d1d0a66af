#include "editing/resampler.h"

#include "common/error.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace orugif::editing {

namespace {

float box(float t) { return t > -0.5f && t <= 0.5f ? 1.0f : 0.0f; }

float triangle(float t)
{
    const float x = std::fabs(t);
    return x < 1.0f ? 1.0f - x : 0.0f;
}

float hermite(float t)
{
    const float x = std::fabs(t);
    return x < 1.0f ? (2.0f * x - 3.0f) * x * x + 1.0f : 0.0f;
}

float bell(float t)
{
    const float x = std::fabs(t);
    if (x < 0.5f)
        return 0.75f - x * x;
    if (x < 1.5f)
        return (x - 1.5f) * (x - 1.5f) / 2.0f;
    return 0.0f;
}

float bspline(float t)
{
    const float x = std::fabs(t);
    if (x < 1.0f)
        return x * x * x / 2.0f - x * x + 2.0f / 3.0f;
    if (x < 2.0f)
        return (2.0f - x) * (2.0f - x) * (2.0f - x) / 6.0f;
    return 0.0f;
}

float sinc(float u)
{
    if (u == 0.0f)
        return 1.0f;
    const float p = std::numbers::pi_v<float> * u;
    return std::sin(p) / p;
}

float lanczos3(float t)
{
    const float x = std::fabs(t);
    return x < 3.0f ? sinc(x) * sinc(x / 3.0f) : 0.0f;
}

float mitchell(float t)
{
    const float x = std::fabs(t);
    if (x < 1.0f)
        return (7.0f * x * x * x - 12.0f * x * x + 16.0f / 3.0f) / 6.0f;
    if (x < 2.0f)
        return (-(7.0f / 3.0f) * x * x * x + 12.0f * x * x - 20.0f * x + 32.0f / 3.0f) / 6.0f;
    return 0.0f;
}

const std::array<Filter, 7> kFilters{{
    {"Box", 0.5f, box},
    {"Triangle", 1.0f, triangle},
    {"Hermite", 1.0f, hermite},
    {"Bell", 1.5f, bell},
    {"B-Spline", 2.0f, bspline},
    {"Lanczos3", 3.0f, lanczos3},
    {"Mitchell", 2.0f, mitchell},
}};

inline unsigned char clampByte(float sum)
{
    if (sum > 255.0f)
        return 255;
    if (sum < 0.0f)
        return 0;
    return static_cast<unsigned char>(std::lrint(sum));  // to nearest, ties to even
}

} // namespace

const std::array<Filter, 7>& filters() { return kFilters; }

Contributors contributors(int source, int destination, const Filter& filter, float support)
{
    // First and last pixels aligned; a one-pixel source or destination uses
    // the plain ratio (a one-pixel destination would otherwise give a scale of 0).
    const float scale = source != 1 && destination != 1 ? float(destination - 1) / float(source - 1)
                                                        : float(destination) / float(source);
    Contributors lists(static_cast<std::size_t>(destination));
    bool reducing = scale < 1.0f;
    float reach = reducing ? support / scale : support;
    float fscale = reducing ? 1.0f / scale : 1.0f;
    // A single destination pixel stands for the whole source: the filter is
    // centred on the source's middle and stretched over all of it (centred
    // on the first pixel it would mostly see the first rows or columns).
    const bool whole = destination == 1 && source > 1;
    if (whole) {
        fscale = std::max(1.0f, float(source) / (2.0f * support));
        reach = support * fscale;
        reducing = true;
    }
    for (int i = 0; i < destination; ++i) {
        const float centre = whole ? float(source - 1) / 2.0f : float(i) / scale;
        auto& list = lists[std::size_t(i)];
        list.reserve(std::size_t(2.0f * reach + 1.0f) + 1);
        const int first = int(std::floor(centre - reach));
        const int last = int(std::ceil(centre + reach));
        for (int j = first; j <= last; ++j) {
            if (whole && (j < 0 || j >= source))
                continue;  // the whole source is inside the reach: no reflection
            const float weight = reducing ? filter.weight((centre - float(j)) / fscale) / fscale
                                          : filter.weight(centre - float(j));
            if (weight == 0.0f)
                continue;
            int n = j < 0 ? -j : j >= source ? 2 * source - j - 1 : j;
            n = std::clamp(n, 0, source - 1);  // a reach wider than the source
            list.push_back({n, weight});
        }
        if (whole) {
            // Weights summing to one, so a short source keeps its level.
            float sum = 0.0f;
            for (const Contributor& c : list)
                sum += c.weight;
            if (sum != 0.0f)
                for (Contributor& c : list)
                    c.weight /= sum;
        }
    }
    return lists;
}

QImage filteredResize(const QImage& picture, QSize size, const Filter& filter, float support)
{
    if (picture.width() < 1 || picture.height() < 1)
        throw Error(QStringLiteral("Source bitmap too small"));
    if (size.isEmpty())
        return QImage();
    const QImage source = picture.format() == QImage::Format_RGB32 ? picture
                                                                     : picture.convertToFormat(QImage::Format_RGB32);
    const int sw = source.width();
    const int sh = source.height();
    const int dw = size.width();
    const int dh = size.height();

    // Horizontal pass into a work picture of dw x sh, three channels a pixel.
    QImage work(dw, sh, QImage::Format_RGB32);
    {
        const Contributors columns = contributors(sw, dw, filter, support);
        for (int y = 0; y < sh; ++y) {
            const uchar* in = source.constScanLine(y);
            uchar* out = work.scanLine(y);
            for (int i = 0; i < dw; ++i) {
                float b = 0, g = 0, r = 0;
                for (const Contributor& c : columns[std::size_t(i)]) {
                    const uchar* p = in + 4 * c.index;
                    b += float(p[0]) * c.weight;
                    g += float(p[1]) * c.weight;
                    r += float(p[2]) * c.weight;
                }
                uchar* q = out + 4 * i;
                q[0] = clampByte(b);
                q[1] = clampByte(g);
                q[2] = clampByte(r);
                q[3] = 0xff;
            }
        }
    }

    // Vertical pass, a destination row at a time: each row's sums gather the
    // contributing work rows in the contributors' order, so every pixel's sum
    // is the same as a column walk would give.
    QImage result(dw, dh, QImage::Format_RGB32);
    const Contributors rows = contributors(sh, dh, filter, support);
    std::vector<float> sums(std::size_t(dw) * 3);
    for (int i = 0; i < dh; ++i) {
        std::fill(sums.begin(), sums.end(), 0.0f);
        for (const Contributor& c : rows[std::size_t(i)]) {
            const uchar* in = work.constScanLine(c.index);
            float* s = sums.data();
            for (int x = 0; x < dw; ++x, in += 4, s += 3) {
                s[0] += float(in[0]) * c.weight;
                s[1] += float(in[1]) * c.weight;
                s[2] += float(in[2]) * c.weight;
            }
        }
        uchar* out = result.scanLine(i);
        const float* s = sums.data();
        for (int x = 0; x < dw; ++x, out += 4, s += 3) {
            out[0] = clampByte(s[0]);
            out[1] = clampByte(s[1]);
            out[2] = clampByte(s[2]);
            out[3] = 0xff;
        }
    }
    return result;
}

} // namespace orugif::editing

#include "editing/effects.h"

#include <QDateTime>
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace orugif::editing {

namespace {

using Lut = std::array<uchar, 256>;

constexpr int clampByte(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

uchar* row(QImage& p, int y) { return p.scanLine(y); }

// Runs `map(in, out, width)` over every row. A picture shared with another
// (the effects dialog's restore copy) gets a new buffer written straight
// from the shared pixels: one pass, where detaching would copy it first.
template <typename Map>
void mapRows(QImage& p, Map map)
{
    QImage source;
    if (!p.isDetached()) {
        source = p;
        p = QImage(source.size(), QImage::Format_RGB32);
        p.setDotsPerMeterX(source.dotsPerMeterX());
        p.setDotsPerMeterY(source.dotsPerMeterY());
    }
    for (int y = 0; y < p.height(); ++y) {
        uchar* out = p.scanLine(y);
        const uchar* in = source.isNull() ? out : source.constScanLine(y);
        map(in, out, p.width());
    }
}

// Applies a per-channel table to every pixel (bytes B, G, R, X).
void applyLut(QImage& p, const Lut& lut)
{
    mapRows(p, [&lut](const uchar* in, uchar* out, int w) {
        for (int x = 0; x < w; ++x, in += 4, out += 4) {
            out[0] = lut[in[0]];
            out[1] = lut[in[1]];
            out[2] = lut[in[2]];
            out[3] = in[3];
        }
    });
}

// "Inverser": 255 - v on each channel is the colour bits flipped, a whole
// pixel at a time.
void invert(QImage& p)
{
    mapRows(p, [](const uchar* in, uchar* out, int w) {
        const auto* from = reinterpret_cast<const quint32*>(in);
        auto* to = reinterpret_cast<quint32*>(out);
        for (int x = 0; x < w; ++x)
            to[x] = from[x] ^ 0x00FFFFFFu;
    });
}

template <typename F>
Lut makeLut(F f)
{
    Lut lut{};
    for (int v = 0; v < 256; ++v)
        lut[std::size_t(v)] = uchar(clampByte(f(v)));
    return lut;
}

void snow(QImage& p)
{
    applyLut(p, makeLut([](int v) {
        return int(std::nearbyint(255.0 * std::sin(std::numbers::pi / 2.0 * v / 255.0)));
    }));
}

// Everything outside the ellipse inscribed in the picture, and its one-pixel
// outline, becomes black; 255 becomes 254 everywhere first.
void medallion(QImage& p)
{
    applyLut(p, makeLut([](int v) { return v - v / 255; }));
    const int w = p.width();
    const int h = p.height();
    // The ellipse's bounding box runs from (0, 0) to (W - 1, H - 1), right
    // and bottom edges excluded; a pixel is inside when its centre is.
    const double rx = (w - 1) / 2.0;
    const double ry = (h - 1) / 2.0;
    std::vector<std::pair<int, int>> spans(std::size_t(h), {0, -1});
    for (int y = 0; y < h && rx > 0 && ry > 0; ++y) {
        const double dy = (y + 0.5 - ry) / ry;
        if (dy * dy >= 1.0)
            continue;
        const double half = rx * std::sqrt(1.0 - dy * dy);
        const int left = int(std::ceil(rx - half - 0.5 + 1e-9));
        const int right = int(std::floor(rx + half - 0.5 - 1e-9));
        spans[std::size_t(y)] = {std::max(left, 0), std::min(right, w - 1)};
    }
    const auto span = [&](int y) { return y < 0 || y >= h ? std::pair{0, -1} : spans[std::size_t(y)]; };
    for (int y = 0; y < h; ++y) {
        // Inside and not on the outline: all four neighbours are inside.
        const auto [l, r] = span(y);
        const auto [lu, ru] = span(y - 1);
        const auto [ld, rd] = span(y + 1);
        const int keepFrom = std::max({l + 1, lu, ld});
        const int keepTo = std::min({r - 1, ru, rd});
        auto* px = reinterpret_cast<QRgb*>(row(p, y));
        for (int x = 0; x < w; ++x)
            if (x < keepFrom || x > keepTo)
                px[x] = 0xff000000u;
    }
}

void outline(QImage& p)
{
    const int w = p.width();
    const int h = p.height();
    if (w < 3 || h < 2)
        return;
    std::vector<uchar> q(std::size_t(w) * std::size_t(h));
    for (int y = 0; y < h; ++y) {
        const auto* px = reinterpret_cast<const QRgb*>(p.constScanLine(y));
        for (int x = 0; x < w; ++x)
            q[std::size_t(y) * std::size_t(w) + std::size_t(x)] = uchar(paletteIndex(px[x]));
    }
    const auto Q = [&](int x, int y) { return q[std::size_t(y) * std::size_t(w) + std::size_t(x)]; };
    const auto mark = [&](int x, int y) { reinterpret_cast<QRgb*>(row(p, y))[x] = 0xff000000u; };
    int background = -1;
    const auto compare = [&](int x, int y, int nx, int ny) {
        if (Q(nx, ny) == Q(x, y))
            return;
        if (background < 0) {
            background = Q(nx, ny);
            mark(x, y);
        } else if (Q(x, y) == background) {
            mark(nx, ny);
        } else {
            mark(x, y);
        }
    };
    for (int y = 0; y <= h - 2; ++y)
        for (int x = 0; x <= w - 3; ++x) {
            compare(x, y, x + 1, y);
            compare(x, y, x, y + 1);
        }
}

void relief(QImage& p)
{
    for (int y = 0; y <= p.height() - 2; ++y) {
        uchar* px = row(p, y);
        const uchar* below = p.constScanLine(y + 1);
        for (int x = 0; x <= p.width() - 4; ++x)
            for (int c = 0; c < 3; ++c)
                px[4 * x + c] = uchar((px[4 * x + c] + 255 - below[4 * (x + 3) + c]) / 2);
    }
}

void keepChannel(QImage& p, int channel)
{
    for (int y = 0; y < p.height(); ++y) {
        uchar* px = row(p, y);
        for (int x = 0; x < p.width(); ++x, px += 4)
            for (int c = 0; c < 3; ++c)
                if (c != channel)
                    px[c] = 0;
    }
}

// A drop shadow: d takes s + 1 (each channel modulo 256) where s, the pixel
// at (x + dx, y + dy), has less blue than d. Rows are visited so that every
// source row is still unchanged when read: bottom up when the source lies
// above, top down when it lies below.
void shadow(QImage& p, int dx, int dy)
{
    const int w = p.width();
    const int h = p.height();
    const int first = std::max(0, -dy);
    const int last = std::min(h, h - dy) - 1;
    const int x0 = std::max(0, -dx);
    const int x1 = std::min(w, w - dx);
    for (int n = 0; n <= last - first; ++n) {
        const int y = dy < 0 ? last - n : first + n;
        const uchar* src = p.constScanLine(y + dy);
        uchar* out = row(p, y);
        for (int x = x0; x < x1; ++x) {
            const uchar* s = src + 4 * (x + dx);
            uchar* d = out + 4 * x;
            if (s[0] < d[0]) {
                d[0] = uchar(s[0] + 1);
                d[1] = uchar(s[1] + 1);
                d[2] = uchar(s[2] + 1);
            }
        }
    }
}

// Copies pixel (x, y) to (x, y + o), rows from the bottom up, for the rows
// that leave room for the largest offset `a`.
template <typename Offset>
void displace(QImage& p, int a, Offset offset)
{
    const int w = p.width();
    std::vector<QRgb*> rows(std::size_t(p.height()));
    for (int y = 0; y < p.height(); ++y)
        rows[std::size_t(y)] = reinterpret_cast<QRgb*>(row(p, y));
    for (int y = p.height() - 1 - a; y >= 0; --y) {
        offset.startRow();
        for (int x = 0; x < w; ++x) {
            const int o = offset.at(x);
            rows[std::size_t(y + o)][x] = rows[std::size_t(y)][x];
            offset.next();
        }
    }
}

struct Melting {
    Effects& effects;
    int a;
    int o = 0;
    void startRow() { o = 0; }
    int at(int) const { return o; }
    void next() { o = effects.random(a); }
};

struct Bands {
    int a;
    void startRow() {}
    int at(int x) const { return x % (a + 1); }
    void next() {}
};

struct Triangles {
    int a;
    void startRow() {}
    int at(int x) const
    {
        const int t = x % (2 * a);
        return t <= a ? t : 2 * a - t;
    }
    void next() {}
};

void sampleAndHold(QImage& p, int a)
{
    a = std::max(a, 5);
    const int period = 2 * (a / 2) + 1;
    const int half = period / 2;
    for (int y = 0; y < p.height(); ++y) {
        int f = y % (period - 1);
        if (f > half)
            f = 2 * half - f;
        if (f == 0)
            f = period;
        const int e = std::abs(half - y % period) + half;
        auto* px = reinterpret_cast<QRgb*>(row(p, y));
        QRgb held = px[0];
        for (int x = 0; x < p.width(); ++x) {
            if (x % f == 0 || x % e == 1)
                held = px[x];
            px[x] = held;
        }
    }
}

void texture(QImage& p, int tile)
{
    const QImage t = p.scaled(tile, tile, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    for (int y = 0; y < p.height(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(row(p, y));
        const auto* in = reinterpret_cast<const QRgb*>(t.constScanLine(y % tile));
        for (int x = 0; x < p.width(); ++x)
            out[x] = in[x % tile];
    }
}

} // namespace

const QStringList& effectNames()
{
    static const QStringList names{
        QStringLiteral("Neige"),         QString::fromUtf8("Médaillon"),   QStringLiteral("Noir"),
        QStringLiteral("Flou"),          QStringLiteral("Bleu dominant"),   QStringLiteral("Vert dominant"),
        QStringLiteral("Rouge dominant"), QStringLiteral("Assombrir"),      QString::fromUtf8("Ombre S.E."),
        QString::fromUtf8("Ombre S.O."), QString::fromUtf8("Ombre N.E."),   QString::fromUtf8("Ombre N.O."),
        QString::fromUtf8("Bruit coloré"), QStringLiteral("Bruit monochrome"), QStringLiteral("Contraste"),
        QStringLiteral("Brillance"),     QStringLiteral("Saturation"),      QStringLiteral("Inverser"),
        QStringLiteral("Texture"),       QStringLiteral("Neige fondue"),    QStringLiteral("Bandes verticales"),
        QStringLiteral("Triangles"),     QString::fromUtf8("Bougé"),
    };
    return names;
}

namespace {
quint32 clockValue() { return quint32(QDateTime::currentMSecsSinceEpoch()); }
} // namespace

NoiseGenerator& programNoise()
{
    static NoiseGenerator generator(quint64(QDateTime::currentMSecsSinceEpoch()));
    return generator;
}

Effects::Effects() : generator_(&programNoise(), [](NoiseGenerator*) {}), seedFromClock_(clockValue) {}

Effects::Effects(quint32 seed, std::function<quint32()> seedFromClock)
    : generator_(std::make_shared<NoiseGenerator>(seed)), seedFromClock_(std::move(seedFromClock))
{
    if (!seedFromClock_)
        seedFromClock_ = clockValue;
}

void Effects::apply(QImage& p, int index)
{
    if (p.isNull() || index < 0 || index >= kEffectCount)
        return;
    if (p.format() != QImage::Format_RGB32)
        p = p.convertToFormat(QImage::Format_RGB32);
    constexpr int A = 10;  // contrast, brightness and saturation
    switch (index) {
    case 0: snow(p); break;
    case 1: medallion(p); break;
    case 2: outline(p); break;
    case 3: relief(p); break;
    case 4: keepChannel(p, 0); break;
    case 5: keepChannel(p, 1); break;
    case 6: keepChannel(p, 2); break;
    case 7: applyLut(p, makeLut([](int v) { return v - (30 * v) / 255; })); break;
    case 8: shadow(p, 4, -4); break;
    case 9: shadow(p, -4, -4); break;
    case 10: shadow(p, 4, 4); break;
    case 11: shadow(p, -4, 4); break;
    case 12:
        for (int y = 0; y < p.height(); ++y) {
            uchar* px = row(p, y);
            for (int x = 0; x < p.width(); ++x, px += 4)
                for (int c = 0; c < 3; ++c)
                    px[c] = uchar(clampByte(px[c] + random(20) - 10));
        }
        break;
    case 13:
        for (int y = 0; y < p.height(); ++y) {
            uchar* px = row(p, y);
            for (int x = 0; x < p.width(); ++x, px += 4) {
                const int r = random(20) - 10;
                for (int c = 0; c < 3; ++c)
                    px[c] = uchar(clampByte(px[c] + r));
            }
        }
        break;
    case 14:
        applyLut(p, makeLut([](int v) {
            const int d = (A * std::abs(127 - v)) / 255;
            return v > 127 ? v + d : v - d;
        }));
        break;
    case 15: applyLut(p, makeLut([](int v) { return v + (A * (255 - v)) / 255; })); break;
    case 16:
        for (int y = 0; y < p.height(); ++y) {
            uchar* px = row(p, y);
            for (int x = 0; x < p.width(); ++x, px += 4) {
                const int m = (px[0] + px[1] + px[2]) / 3;
                for (int c = 0; c < 3; ++c)
                    px[c] = uchar(clampByte(m + (A * (px[c] - m)) / 255));
            }
        }
        break;
    case 17: invert(p); break;
    case 18: texture(p, 50); break;
    case 19:
        generator_->stir(seedFromClock_());
        displace(p, 50, Melting{*this, 50});
        break;
    case 20: displace(p, 50, Bands{50}); break;
    case 21: displace(p, 50, Triangles{50}); break;
    case 22: sampleAndHold(p, 50); break;
    }
}

} // namespace orugif::editing

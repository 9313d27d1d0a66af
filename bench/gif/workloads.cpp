// Workload generation for the GIF benchmarks (done once, outside timing).
#include "workloads.h"

#include "gif/gifimage.h"

#include <cmath>

namespace bench {

Workload photoFrames()
{
    Workload w{640, 480, {}};
    for (int t = 0; t < 60; ++t) {
        QImage f(w.width, w.height, QImage::Format_RGB32);
        for (int y = 0; y < w.height; ++y) {
            auto* row = reinterpret_cast<QRgb*>(f.scanLine(y));
            for (int x = 0; x < w.width; ++x) {
                const int r = int(127.5 + 127.5 * std::sin(x * 0.011 + t * 0.10 + std::sin(y * 0.007)));
                const int g = int(127.5 + 127.5 * std::sin(y * 0.013 - t * 0.07 + 0.5 * std::cos(x * 0.005)));
                const int b = int(127.5 + 127.5 * std::sin((x + y) * 0.006 + t * 0.05));
                row[x] = qRgb(r, g, b);
            }
        }
        w.frames.push_back(f);
    }
    return w;
}

Workload uiFrames()
{
    Workload w{800, 600, {}};
    QImage base(w.width, w.height, QImage::Format_RGB32);
    for (int y = 0; y < w.height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(base.scanLine(y));
        for (int x = 0; x < w.width; ++x) {
            QRgb c = qRgb(236, 236, 236);
            if (y < 30)
                c = qRgb(40, 80, 160);                        // title bar
            else if (x < 180)
                c = (y / 24) % 2 ? qRgb(250, 250, 250) : qRgb(225, 230, 240);  // list
            if (y > 40 && x > 200 && (y % 18) < 10 && ((x / 7) % 5) != 0 && x < 200 + (y * 37) % 500)
                c = qRgb(30, 30, 30);                         // lines of "text"
            row[x] = c;
        }
    }
    for (int t = 0; t < 120; ++t) {
        QImage f = base.copy();
        const int left = 220 + (t * 4) % 480, top = 300 + int(40 * std::sin(t * 0.2));
        for (int y = top; y < top + 64; ++y) {
            auto* row = reinterpret_cast<QRgb*>(f.scanLine(y));
            for (int x = left; x < left + 64; ++x)
                row[x] = qRgb(4 * (x - left), 255 - 4 * (y - top), 128);
        }
        w.frames.push_back(f);
    }
    return w;
}

QByteArray photoGif()
{
    orugif::gif::TGIFImage image;
    image.DitherMode = 1;
    for (const QImage& f : photoFrames().frames)
        image.AddFrameImage(f);
    return image.SaveToData();
}

QByteArray uiGif()
{
    orugif::gif::TGIFImage image;
    for (const QImage& f : uiFrames().frames)
        image.AddFrameImage(f);
    image.OptimizeColorTable();
    image.OptimizeFrames(orugif::gif::TGIFImage::ooMerge | orugif::gif::TGIFImage::ooCrop);
    return image.SaveToData();
}

} // namespace bench

// Generated benchmark workloads: "photo" (smooth moving true colour, one
// palette per frame) and "ui" (a static screen with a small moving region).
#pragma once
#include <QByteArray>
#include <QImage>
#include <vector>

namespace bench {

struct Workload {
    int width = 0, height = 0;
    std::vector<QImage> frames;  // Format_RGB32, full screen
};

Workload photoFrames();  // 60 frames of 640 x 480
Workload uiFrames();     // 120 frames of 800 x 600

// GIF files to decode, written by the codec: the photo frames dithered onto
// the 216-colour cube (so the data has a photo's noise), the ui frames
// mapped onto the cube and frame-differenced (merge and crop).
QByteArray photoGif();
QByteArray uiGif();

} // namespace bench

// Small helpers shared by the test programs: the corpora folder and pictures.
#pragma once
#include <QImage>
#include <QString>
#include <ostream>

namespace testsupport {

// Folder of the public corpora (tests/data/corpora in the source tree).
QString testdata(const QString& relative = {});

// A file under tests/ of the source tree (tests/data/crashers, ...).
QString testfile(const QString& relative);

// A Format_RGB32 picture filled with one colour given as 0xRRGGBB.
QImage solid(int width, int height, unsigned rgb);

// How many pixels of `image` have exactly `colour` (an opaque QRgb).
int countPixels(const QImage& image, QRgb colour);

} // namespace testsupport

// GoogleTest prints QStrings as text.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

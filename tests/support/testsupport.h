// Small helpers shared by the test programs: the corpora folder and pictures.
#pragma once
#include <QImage>
#include <QString>
#include <functional>
#include <ostream>

namespace testsupport {

// Folder of the public corpora (tests/data/corpora in the source tree).
QString testdata(const QString& relative = {});

// A file under tests/ of the source tree (tests/data/crashers, ...).
QString testfile(const QString& relative);

// A Format_RGB32 picture filled with one colour given as 0xRRGGBB.
QImage solid(int width, int height, unsigned rgb);

// A Format_RGB32 picture of pseudo-random colours, the same for a seed:
// it compresses badly, so every format writes more than a few bytes of it.
QImage noise(int width, int height, unsigned seed);

// Writes bytes to a file (for files a test prepares); false on failure.
bool writeBytes(const QString& path, const QByteArray& bytes);

// How many pixels of `image` have exactly `colour` (an opaque QRgb).
int countPixels(const QImage& image, QRgb colour);

// Runs `body` in a child process where every write past `limitBytes` of a
// file fails with EFBIG (RLIMIT_FSIZE, SIGXFSZ ignored): a full disk without
// privileges. Returns what the body returned, or -1 when the child did not
// exit normally.
int withFileSizeLimit(long limitBytes, const std::function<int()>& body);

} // namespace testsupport

// GoogleTest prints QStrings as text.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

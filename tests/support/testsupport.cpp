#include "support/testsupport.h"

#include <QDir>

namespace testsupport {

QString testdata(const QString& relative)
{
    const QString root = QString::fromUtf8(ORUGIF_TESTDATA_ROOT);
    return relative.isEmpty() ? QDir::cleanPath(root) : QDir::cleanPath(root + '/' + relative);
}

QString testfile(const QString& relative)
{
    return QDir::cleanPath(QString::fromUtf8(ORUGIF_TESTS_ROOT) + '/' + relative);
}

QImage solid(int width, int height, unsigned rgb)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(rgb | 0xff000000u));
    return image;
}

int countPixels(const QImage& image, QRgb colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == colour;
    return n;
}

} // namespace testsupport

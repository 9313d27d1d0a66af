#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

QImage noise(int width, int height, unsigned seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            row[x] = 0xff000000u | (seed >> 8);
        }
    }
    return image;
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

int countPixels(const QImage& image, QRgb colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == colour;
    return n;
}

int withFileSizeLimit(long limitBytes, const std::function<int()>& body)
{
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{rlim_t(limitBytes), rlim_t(limitBytes)};
        int code = 100;
        if (setrlimit(RLIMIT_FSIZE, &limit) == 0) {
            try {
                code = body();
            } catch (...) {
                code = 101;
            }
        }
        std::fflush(nullptr);
        _exit(code);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace testsupport

#include "support/reference.h"

#include "support/testsupport.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

namespace testsupport {

namespace {
const QString kPython = QStringLiteral("/usr/bin/python3");
}

bool run(const QString& program, const QStringList& arguments, QString* errors)
{
    QProcess p;
    p.start(program, arguments);
    const bool ok = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (errors)
        *errors = QString::fromUtf8(p.readAllStandardError());
    return ok;
}

bool havePillow()
{
    return QFileInfo::exists(kPython) && run(kPython, {"-c", "import PIL"});
}

bool runPython(const QString& code, const QStringList& arguments)
{
    QString errors;
    const bool ok = run(kPython, QStringList{"-c", code} + arguments, &errors);
    EXPECT_TRUE(ok) << errors.toStdString();
    return ok;
}

Played composeWithPillow(const QString& path)
{
    Played played;
    QProcess p;
    p.start(kPython, {testfile("support/compose_gif.py"), path});
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        ADD_FAILURE() << "Pillow cannot read " << path.toStdString() << ": "
                      << p.readAllStandardError().toStdString();
        return played;
    }
    const QByteArray out = p.readAllStandardOutput();
    qsizetype at = 0;
    auto line = [&] {
        const qsizetype end = out.indexOf('\n', at);
        const QByteArray l = out.mid(at, end - at);
        at = end + 1;
        return QString::fromLatin1(l).split(' ');
    };
    const QStringList loop = line();
    if (loop.value(1) != "-")
        played.loop = loop.value(1).toInt();
    const QStringList header = line();
    const int count = header.value(1).toInt(), w = header.value(2).toInt(), h = header.value(3).toInt();
    for (int i = 0; i < count; ++i) {
        played.durations.push_back(line().value(1).toInt());
        QImage frame(w, h, QImage::Format_ARGB32);
        for (int y = 0; y < h; ++y) {
            auto* row = reinterpret_cast<QRgb*>(frame.scanLine(y));
            const auto* src = reinterpret_cast<const unsigned char*>(out.constData() + at);
            for (int x = 0; x < w; ++x, src += 4)
                row[x] = qRgba(src[0], src[1], src[2], src[3]);
            at += qsizetype(w) * 4;
        }
        played.frames.push_back(frame);
    }
    return played;
}

bool haveFfmpeg()
{
    return !QStandardPaths::findExecutable("ffmpeg").isEmpty() && !QStandardPaths::findExecutable("ffprobe").isEmpty();
}

bool makeClip(const QString& path, const QStringList& arguments)
{
    QString errors;
    const bool ok = run("ffmpeg", QStringList{"-v", "error", "-y"} + arguments + QStringList{path}, &errors);
    EXPECT_TRUE(ok) << "ffmpeg " << arguments.join(' ').toStdString() << ": " << errors.toStdString();
    return ok;
}

std::vector<QImage> ffmpegFrames(const QString& clip, QSize size, const QString& filters)
{
    QStringList arguments{"-v", "error", "-i", clip};
    if (!filters.isEmpty())
        arguments << "-vf" << filters;
    arguments << "-f" << "rawvideo" << "-pix_fmt" << "bgra" << "-";
    QProcess p;
    p.start("ffmpeg", arguments);
    std::vector<QImage> frames;
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        ADD_FAILURE() << "ffmpeg cannot decode " << clip.toStdString() << ": " << p.readAllStandardError().toStdString();
        return frames;
    }
    const QByteArray bytes = p.readAllStandardOutput();
    const qsizetype frameBytes = qsizetype(size.width()) * size.height() * 4;
    for (qsizetype at = 0; frameBytes > 0 && at + frameBytes <= bytes.size(); at += frameBytes) {
        QImage frame(size, QImage::Format_RGB32);
        for (int y = 0; y < size.height(); ++y)
            std::memcpy(frame.scanLine(y), bytes.constData() + at + qsizetype(y) * size.width() * 4, size_t(size.width()) * 4);
        frames.push_back(frame);
    }
    return frames;
}

std::vector<double> ffprobeFrameTimes(const QString& clip)
{
    QProcess p;
    p.start("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries", "frame=best_effort_timestamp_time",
                        "-of", "csv=p=0", clip});
    std::vector<double> times;
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        ADD_FAILURE() << "ffprobe cannot read " << clip.toStdString();
        return times;
    }
    for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
        if (!line.trimmed().isEmpty())
            times.push_back(line.trimmed().toDouble());
    return times;
}

double psnr(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    if (x.size() != y.size() || x.isNull())
        return 0;
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int i = 0; i < x.width(); ++i) {
            const int dr = qRed(p[i]) - qRed(q[i]), dg = qGreen(p[i]) - qGreen(q[i]), db = qBlue(p[i]) - qBlue(q[i]);
            sum += dr * dr + dg * dg + db * db;
        }
    }
    const double mse = sum / (3.0 * x.width() * x.height());
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

} // namespace testsupport

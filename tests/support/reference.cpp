#include "support/reference.h"

#include "support/testsupport.h"

#include <QFileInfo>
#include <QProcess>
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

} // namespace testsupport

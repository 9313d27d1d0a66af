// Tests over clips the ffmpeg command makes: skipped where there is no
// ffmpeg, each with a scratch folder.
#pragma once
#include "support/reference.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace testsupport {

class FfmpegTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!haveFfmpeg())
            GTEST_SKIP() << "no ffmpeg command";
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    // A copy of `source` at `name`, cut after `kept` of its bytes (a
    // fraction); its path.
    QString cutCopy(const QString& source, const QString& name, double kept)
    {
        QFile in(source);
        EXPECT_TRUE(in.open(QIODevice::ReadOnly));
        const QByteArray bytes = in.readAll();
        QFile out(path(name));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes.left(qsizetype(double(bytes.size()) * kept)));
        return path(name);
    }

    QTemporaryDir dir;
};

} // namespace testsupport

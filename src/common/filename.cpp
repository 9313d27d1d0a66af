#include "common/filename.h"

#include "common/systemreason.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orugif {

namespace {

constexpr char16_t kRawLow = 0xDC80;  // U+DC80 + (byte - 0x80) stands for a raw byte
constexpr char16_t kRawHigh = 0xDCFF;

// Length of the valid UTF-8 sequence starting at bytes[i], or 0 when the
// byte there does not start one (overlong forms, surrogates and values past
// U+10FFFF are not valid).
qsizetype validSequence(QByteArrayView bytes, qsizetype i)
{
    const auto at = [&](qsizetype k) { return uchar(bytes[k]); };
    const uchar b = at(i);
    if (b < 0x80)
        return 1;
    qsizetype length = 0;
    uchar low = 0x80, high = 0xBF;  // the range of the second byte
    if (b >= 0xC2 && b <= 0xDF)
        length = 2;
    else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        if (b == 0xE0)
            low = 0xA0;
        else if (b == 0xED)
            high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        if (b == 0xF0)
            low = 0x90;
        else if (b == 0xF4)
            high = 0x8F;
    } else
        return 0;
    if (i + length > bytes.size())
        return 0;
    if (at(i + 1) < low || at(i + 1) > high)
        return 0;
    for (qsizetype k = 2; k < length; ++k)
        if (at(i + k) < 0x80 || at(i + k) > 0xBF)
            return 0;
    return length;
}

bool isRaw(QChar c) { return c.unicode() >= kRawLow && c.unicode() <= kRawHigh; }

// A raw-byte stand-in is a low surrogate that no high surrogate precedes.
bool isRawAt(const QString& name, qsizetype i)
{
    return isRaw(name[i]) && (i == 0 || !name[i - 1].isHighSurrogate());
}

} // namespace

QString fileNameFromBytes(QByteArrayView bytes)
{
    QString name;
    name.reserve(bytes.size());
    qsizetype i = 0;
    while (i < bytes.size()) {
        qsizetype run = i;
        while (run < bytes.size()) {
            const qsizetype n = validSequence(bytes, run);
            if (n == 0)
                break;
            run += n;
        }
        name += QString::fromUtf8(bytes.sliced(i, run - i));
        i = run;
        if (i < bytes.size())
            name += QChar(char16_t(kRawLow + (uchar(bytes[i++]) - 0x80)));
    }
    return name;
}

QByteArray fileNameBytes(const QString& name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype i = 0;
    while (i < name.size()) {
        qsizetype run = i;
        while (run < name.size() && !isRawAt(name, run))
            ++run;
        bytes += QStringView(name).sliced(i, run - i).toUtf8();
        i = run;
        if (i < name.size())
            bytes += char(name[i++].unicode() - kRawLow + 0x80);
    }
    return bytes;
}

bool hasRawBytes(const QString& name)
{
    for (qsizetype i = 0; i < name.size(); ++i)
        if (isRawAt(name, i))
            return true;
    return false;
}

QString displayName(const QString& name)
{
    if (!hasRawBytes(name))
        return name;
    QString shown;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (isRawAt(name, i))
            shown += QStringLiteral("\\x%1").arg(name[i].unicode() - kRawLow + 0x80, 2, 16, QLatin1Char('0'));
        else
            shown += name[i];
    }
    return shown;
}

bool openForReading(QFile& file, const QString& path, QString& reason)
{
    const int fd = ::open(fileNameBytes(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        reason = systemReason(errno);
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        reason = systemReason(EIO);
        return false;
    }
    return true;
}

namespace {

bool statOf(const QString& path, struct stat& st) { return ::stat(fileNameBytes(path).constData(), &st) == 0; }

} // namespace

bool isExistingFile(const QString& path)
{
    struct stat st{};
    return statOf(path, st) && S_ISREG(st.st_mode);
}

bool isExistingDirectory(const QString& path)
{
    struct stat st{};
    return statOf(path, st) && S_ISDIR(st.st_mode);
}

bool pathExists(const QString& path)
{
    struct stat st{};
    return statOf(path, st);
}

bool makeFolders(const QString& path, QString& reason)
{
    const QByteArray bytes = fileNameBytes(path);
    // Each prefix ending before a slash, then the whole path.
    for (qsizetype end = bytes.indexOf('/', 1);; end = bytes.indexOf('/', end + 1)) {
        const QByteArray folder = end < 0 ? bytes : bytes.left(end);
        if (!folder.isEmpty() && ::mkdir(folder.constData(), 0777) != 0 && errno != EEXIST) {
            reason = systemReason(errno);
            return false;
        }
        if (end < 0)
            break;
    }
    struct stat st{};
    if (::stat(bytes.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        reason = systemReason(ENOTDIR);
        return false;
    }
    return true;
}

} // namespace orugif

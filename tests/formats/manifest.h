// Reading the corpora manifests (tab-separated, first line = column names)
// and hashing pictures the way the manifests do.
#pragma once
#include "support/testsupport.h"

#include <QCryptographicHash>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QString>
#include <string>
#include <vector>

namespace formatstest {

struct ManifestRow {
    QMap<QString, QString> cells;
    QString operator[](const QString& column) const { return cells.value(column); }
};

inline std::vector<ManifestRow> readManifest(const QString& relative)
{
    std::vector<ManifestRow> rows;
    QFile f(testsupport::testdata(relative));
    if (!f.open(QIODevice::ReadOnly))
        return rows;
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    if (lines.isEmpty())
        return rows;
    const QStringList columns = lines.front().split('\t');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList cells = lines[i].split('\t');
        ManifestRow row;
        for (qsizetype c = 0; c < columns.size() && c < cells.size(); ++c)
            row.cells.insert(columns[c], cells[c]);
        rows.push_back(row);
    }
    return rows;
}

inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// SHA-256 of the picture as 8-bit R, G, B rows, top-down.
inline QString rgbSha256(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    QCryptographicHash h(QCryptographicHash::Sha256);
    for (int y = 0; y < rgb.height(); ++y)
        h.addData(QByteArrayView(reinterpret_cast<const char*>(rgb.constScanLine(y)), rgb.width() * 3));
    return QString::fromLatin1(h.result().toHex());
}

// A gtest-friendly parameter name from a corpus path.
inline std::string testName(const QString& file)
{
    std::string s = file.toStdString();
    for (char& c : s)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return s;
}

} // namespace formatstest

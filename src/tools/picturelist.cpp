#include "tools/picturelist.h"

#include "common/readingorder.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace orugif::tools {

PictureList::PictureList(QString base) : base_(std::move(base)) {}

void PictureList::add(QStringList chosen)
{
    std::stable_sort(chosen.begin(), chosen.end(), [](const QString& a, const QString& b) {
        return readingOrder(QFileInfo(a).fileName(), QFileInfo(b).fileName());
    });
    for (const QString& file : chosen)
        files_ << QDir(base_).absoluteFilePath(file);
}

void PictureList::remove(int row)
{
    if (row >= 0 && row < files_.size())
        files_.removeAt(row);
}

QStringList PictureList::shown() const
{
    QStringList names;
    for (const QString& file : files_)
        names << QDir(base_).relativeFilePath(file);
    return names;
}

} // namespace orugif::tools

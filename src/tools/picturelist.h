// The animation wizard's list of pictures: shown relative to the folder the
// wizard started in, kept as full names so the pictures are read from there
// whatever the current folder has become since.
#pragma once
#include <QStringList>

namespace orugif::tools {

class PictureList {
public:
    explicit PictureList(QString base);

    // The files chosen at once join the list in the order of their names.
    void add(QStringList chosen);
    // Removes the entry at `row`; nothing for a row outside the list.
    void remove(int row);

    QStringList shown() const;              // relative to the base folder
    const QStringList& files() const { return files_; }  // full names

private:
    QString base_;
    QStringList files_;
};

} // namespace orugif::tools

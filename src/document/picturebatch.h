// Reading many picture files at once (the animation wizard, dropped files,
// several names on the command line): decoded on every core, every file read
// before the caller changes anything.
#pragma once
#include <QImage>
#include <QStringList>
#include <vector>

namespace orugif {

// The pictures of `paths`, in order. When any file fails, raises the French
// message of the first failing file in list order, naming it.
std::vector<QImage> loadPictures(const QStringList& paths);

} // namespace orugif

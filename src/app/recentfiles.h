// The last four files opened or saved, newest first, kept in the user's
// settings from one run to the next.
#pragma once
#include <QStringList>

namespace orugif::app {

class RecentFiles {
public:
    static constexpr int kMost = 4;

    QStringList files() const;
    // `path` becomes the newest; the oldest past four is forgotten.
    void add(const QString& path);
    void remove(const QString& path);
};

} // namespace orugif::app

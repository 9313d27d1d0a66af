// The frame list's rules ("Liste des cadres"): entries "Cadre  n" moved up,
// down or deleted, and the frame order they give on "OK".
#pragma once
#include <QStringList>
#include <vector>

namespace orugif::tools {

class FrameList {
public:
    explicit FrameList(int frameCount);

    const QStringList& entries() const { return entries_; }
    // The selected entry after each move follows the moved entry; -1 is none.
    int moveUp(int selected);
    int moveDown(int selected);
    // Deletes the selected entry; the selection stays at its place when it can.
    int remove(int selected);

private:
    QStringList entries_;
};

// The frame indexes (from 0) the entries name, in their order.
std::vector<int> frameOrder(const QStringList& entries);

} // namespace orugif::tools

// What the editor does with files dropped on its window or named on its
// command line: open an animation, import one picture into the current
// frame, or append one frame per picture.
#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace orugif::app {

struct DropPlan {
    enum class Action { Open, Import, Append, Refuse };
    Action action = Action::Refuse;
    QString open;        // Open: the animation
    QStringList frames;  // Import: the picture; Append: the pictures, one frame each
    QString refusal;     // Refuse: why, in French
};

// Dropped files: one GIF or video opens, one picture is imported, several
// pictures are appended in the order of their names. Anything that is not a
// local file the editor reads is refused with a message, and nothing is done.
DropPlan planDrop(const QList<QUrl>& urls);
// Files named on the command line: the first opens when it is an animation
// and the others are appended as frames, in the order given.
DropPlan planOpen(const QStringList& files);

} // namespace orugif::app

// Command-line sub-commands over the GIF codec: structure of a file, its
// frames as pictures, and a read-write round trip.
#pragma once
#include <QStringList>
#include <QTextStream>

namespace orugif::cli {

// orugif info FILE.gif
int gifInfo(const QStringList& args, QTextStream& out, QTextStream& err);
// orugif frames FILE.gif DIR [--raw]
int gifFrames(const QStringList& args, QTextStream& out, QTextStream& err);
// orugif recode IN.gif OUT.gif
int gifRecode(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace orugif::cli

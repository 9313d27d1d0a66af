// Command-line sub-commands that run the document's own code without a
// window: building an animation from pictures, and editing frames.
#pragma once
#include <QStringList>
#include <QTextStream>

namespace orugif::cli {

// orugif make OUT.gif INPUT... [--size WxH] [--loop N] [--delay D] [--transparent]
//             [--global-palette] [--merge] [--crop]
int documentMake(const QStringList& args, QTextStream& out, QTextStream& err);
// orugif edit IN OUT [--frame N|all] OPERATION...
int documentEdit(const QStringList& args, QTextStream& out, QTextStream& err);
// orugif banner OUT.gif --text TEXT [--effect E] [--frames N] [--size WxH]
//               [--font F] [--colour RRGGBB] [--loop N] [--delay D] [--transparent]
int documentBanner(const QStringList& args, QTextStream& out, QTextStream& err);
// orugif record OUT.gif [--region X,Y,W,H|--window ID] [--fps N] [--duration S]
//               [--cursor] and the GIF options of make
int documentRecord(const QStringList& args, QTextStream& out, QTextStream& err);
// orugif html FILE.gif [--link URL] [--alt TEXT] [--border N]
int documentHtml(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace orugif::cli

// WMF and EMF drawings: rendered at their own size onto a transparent
// picture, so that importing one lets the frame show where nothing is drawn.
#pragma once
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <stdexcept>

namespace orugif::formats {

// Raised when a file is not a metafile, its header is unusable or its size
// is past the picture limits. Damage after the header only ends the drawing.
class EMetafileException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    QString message() const { return QString::fromUtf8(what()); }
};

enum class MetafileFormat { Unknown, Wmf, Emf };

// Which kind of metafile the bytes hold, from their header.
MetafileFormat metafileFormat(const QByteArray& file);

// The size the drawing is rendered at: the EMF frame at 96 dots per inch, the
// placeable WMF bounds at 96 dots per inch, or the window extent of a WMF
// without placeable header. Throws EMetafileException.
QSize metafileSize(const QByteArray& file);

// Renders the drawing at metafileSize onto a transparent background
// (Format_ARGB32, alpha 0 where nothing is drawn). Unknown records are
// skipped; a damaged record ends the drawing with what was drawn before it.
// Throws EMetafileException.
QImage renderMetafile(const QByteArray& file);

} // namespace orugif::formats

#include "document/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace orugif {

bool SystemClipboard::hasImage() const
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasImage();
}

QImage SystemClipboard::image() const { return QGuiApplication::clipboard()->image(); }

void SystemClipboard::setImage(const QImage& image) { QGuiApplication::clipboard()->setImage(image); }

void SystemClipboard::setText(const QString& text) { QGuiApplication::clipboard()->setText(text); }

} // namespace orugif

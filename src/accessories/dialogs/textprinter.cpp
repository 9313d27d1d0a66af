#include "accessories/dialogs/textprinter.h"

#include "common/error.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace orugif {

void printLines(QPrinter& printer, const QStringList& lines, const QFont& font)
{
    QPainter painter;
    if (!painter.begin(&printer))
        throw Error(QStringLiteral("Impossible d'imprimer sur %1.").arg(printer.printerName()));
    painter.setFont(QFont(font, painter.device()));
    const QFontMetrics metrics = painter.fontMetrics();
    const int pageHeight = painter.viewport().height();
    int y = 0;
    for (const QString& line : lines) {
        if (y + metrics.height() > pageHeight && y > 0) {
            printer.newPage();
            y = 0;
        }
        painter.drawText(0, y + metrics.ascent(), line);
        y += metrics.lineSpacing();
    }
    painter.end();  // ends the print job
}

void printOnDefaultPrinter(const QStringList& lines, const QFont& font)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        throw Error(QStringLiteral("Aucune imprimante par défaut sélectionnée"));
    QPrinter printer(info);
    printLines(printer, lines, font);
}

} // namespace orugif

// Printing the note: one printed line per note line in the note's font,
// pages broken as needed.
#pragma once
#include <QFont>
#include <QStringList>
#include <functional>

class QPrinter;

namespace orugif {

// Prints `lines` on `printer`; raises a French message when the printer
// cannot be opened.
void printLines(QPrinter& printer, const QStringList& lines, const QFont& font);
// Prints on the default printer; raises "Aucune imprimante par défaut
// sélectionnée" when there is none.
void printOnDefaultPrinter(const QStringList& lines, const QFont& font);

using TextPrinter = std::function<void(const QStringList& lines, const QFont& font)>;

} // namespace orugif

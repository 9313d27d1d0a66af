// TBlocnotes ("Bloc-notes"): the one persistent note. The window lives as
// long as the main window; "Fermer" hides it and the text stays.
#pragma once
#include "accessories/dialogs/textprinter.h"

#include <QDialog>

class QPlainTextEdit;

namespace orugif {

class TBlocnotes : public QDialog {
    Q_OBJECT
public:
    explicit TBlocnotes(TextPrinter printer = {}, QWidget* parent = nullptr);

    // Loads the note file into the memo; a missing file leaves it as it is.
    // A file that cannot be read raises the French file error.
    void Charge(const QString& path);
    // Writes the memo when it was modified; on a failure the French file
    // error is raised and the text stays, still marked modified.
    void Sauve(const QString& path);
    void Imprimer();
    QPlainTextEdit* memo() const { return memo_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    TextPrinter printer_;
    QPlainTextEdit* memo_;
    QWidget* close_;
};

} // namespace orugif

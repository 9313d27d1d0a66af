// The folder the file dialogs start in: the one a file was last chosen in,
// kept across runs in the user's settings.
#pragma once
#include <QString>
#include <QStringList>

class QFileDialog;

namespace orugif::app {

// The remembered folder, or the working directory when none is remembered
// or it no longer exists.
QString dialogFolder();
// Remembers the folder of `file`.
void rememberDialogFolder(const QString& file);
// Runs `dialog` from the remembered folder (unless it was given a file to
// select) and remembers where the chosen file is; the chosen file or empty.
QString runFileDialog(QFileDialog& dialog, bool startInFolder = true);
// The same for a dialog choosing several files: every file chosen, the folder
// of the first remembered.
QStringList runFilesDialog(QFileDialog& dialog);

} // namespace orugif::app

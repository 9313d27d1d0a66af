#include "app/dialogfolder.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>

namespace orugif::app {

namespace {
const QString kKey = QStringLiteral("dialogs/folder");
}

QString dialogFolder()
{
    const QString folder = QSettings().value(kKey).toString();
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return folder;
    return QDir::currentPath();
}

void rememberDialogFolder(const QString& file)
{
    if (!file.isEmpty())
        QSettings().setValue(kKey, QFileInfo(file).absolutePath());
}

QString runFileDialog(QFileDialog& dialog, bool startInFolder)
{
    if (startInFolder)
        dialog.setDirectory(dialogFolder());
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QString chosen = dialog.selectedFiles().value(0);
    rememberDialogFolder(chosen);
    return chosen;
}

QStringList runFilesDialog(QFileDialog& dialog)
{
    dialog.setDirectory(dialogFolder());
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList chosen = dialog.selectedFiles();
    if (!chosen.isEmpty())
        rememberDialogFolder(chosen.front());
    return chosen;
}

} // namespace orugif::app

#include "document/view/widgetprompts.h"

#include <QApplication>
#include <QMessageBox>

namespace orugif {

Answer WidgetPrompts::ask(const QString& question, Choices choices)
{
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton escape = QMessageBox::No;
    switch (choices) {
    case Choices::OkNo:
        buttons = QMessageBox::Ok | QMessageBox::No;
        break;
    case Choices::YesNo:
        buttons = QMessageBox::Yes | QMessageBox::No;
        break;
    case Choices::YesNoCancel:
        buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        escape = QMessageBox::Cancel;
        break;
    }
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), question, buttons, parent_);
    box.setEscapeButton(escape);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return choices == Choices::YesNoCancel ? Answer::Cancel : Answer::No;
    }
}

} // namespace orugif

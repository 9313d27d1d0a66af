#include "document/view/widgetprompts.h"

#include "editing/dialogs/effectsdialog.h"
#include "editing/dialogs/textdialog.h"
#include "editing/dialogs/transformdialogs.h"
#include "editing/dialogs/transitiondialog.h"

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

namespace orugif {

void WidgetPrompts::inform(const QString& message)
{
    QMessageBox::information(parent_, QApplication::applicationName(), message);
}

int WidgetPrompts::runRotation()
{
    TRot dialog(parent_);
    dialog.exec();
    return dialog.Result();
}

QPoint WidgetPrompts::runMove(int width, int height)
{
    TDecaler dialog(parent_);
    dialog.Init(width, height);
    dialog.exec();
    return dialog.Result();
}

QSize WidgetPrompts::runResize(int width, int height)
{
    TRedim dialog(parent_);
    dialog.Init(width, height);
    dialog.exec();
    return dialog.Result();
}

QImage WidgetPrompts::runEffects(const QImage& picture)
{
    TEffets dialog(parent_);
    dialog.Init(picture);
    dialog.exec();
    QImage result = picture;
    dialog.Result(result);
    return result;
}

DocumentPrompts::TransitionChoice WidgetPrompts::runTransition(bool after, const QImage& picture)
{
    TransitionDialog dialog(after, parent_);
    dialog.Init(picture);
    dialog.exec();
    TransitionChoice choice;
    dialog.Result(choice.count, choice.kind);
    return choice;
}

QString WidgetPrompts::runText(int& angle, editing::TextFont& font)
{
    TEditext dialog(parent_);
    dialog.Init(font);
    dialog.exec();
    QString text;
    dialog.Result(text, angle, font);
    return text;
}

} // namespace orugif

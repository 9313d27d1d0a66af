#include "accessories/dialogs/blocnotes.h"

#include "accessories/dialogs/guard.h"
#include "accessories/notefile.h"

#include <QIcon>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QToolButton>

namespace orugif {

TBlocnotes::TBlocnotes(TextPrinter printer, QWidget* parent) : QDialog(parent), printer_(std::move(printer))
{
    setObjectName(QStringLiteral("Blocnotes"));
    setWindowTitle(QStringLiteral("Bloc-notes"));
    if (!printer_)
        printer_ = printOnDefaultPrinter;
    resize(420, 300);

    auto* print = new QToolButton(this);
    print->setObjectName(QStringLiteral("SpeedButton9"));
    print->setIcon(QIcon(QStringLiteral(":/accessories/imprimer.svg")));
    print->setToolTip(QStringLiteral("Imprimer"));
    print->setAutoRaise(true);
    print->setGeometry(4, 4, 25, 25);
    connect(print, &QToolButton::clicked, this, [this] { guarded(this, [this] { Imprimer(); }); });

    auto* close = new QPushButton(QStringLiteral("Fermer"), this);
    close->setObjectName(QStringLiteral("Button1"));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
    close_ = close;

    memo_ = new QPlainTextEdit(this);
    memo_->setObjectName(QStringLiteral("Memo1"));
}

void TBlocnotes::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    // "Fermer" keeps 125 pixels from the right edge; the memo fills the rest.
    const int bar = 33;
    close_->setGeometry(width() - 125, 4, 75, 25);
    memo_->setGeometry(0, bar, width(), height() - bar);
}

void TBlocnotes::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The note is what the window is for: typing starts in it, each time.
    memo_->setFocus(Qt::ActiveWindowFocusReason);
}

void TBlocnotes::Charge(const QString& path)
{
    const std::optional<QString> text = accessories::loadNote(path);
    if (!text)
        return;
    memo_->setPlainText(*text);
    memo_->document()->setModified(false);
}

void TBlocnotes::Sauve(const QString& path)
{
    if (!memo_->document()->isModified())
        return;
    accessories::saveNote(path, memo_->toPlainText());
    memo_->document()->setModified(false);
}

void TBlocnotes::Imprimer() { printer_(memo_->toPlainText().split(QLatin1Char('\n')), memo_->font()); }

} // namespace orugif

#include "record/dialogs/recordcontrol.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace orugif::record {

TControleEnregistrement::TControleEnregistrement(RecordSession& session, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint), session_(session)
{
    setObjectName(QStringLiteral("ControleEnregistrement"));
    setWindowTitle(QStringLiteral("Enregistrement"));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("Label1"));
    status_->setMinimumWidth(status_->fontMetrics().horizontalAdvance(QStringLiteral("Enregistrement · 00:00 · 000,0 Mo · 00000 images")));
    pause_ = new QPushButton(QStringLiteral("&Pause"), this);
    pause_->setObjectName(QStringLiteral("Button1"));
    stop_ = new QPushButton(QString::fromUtf8("&Arrêter"), this);
    stop_->setObjectName(QStringLiteral("Button2"));
    connect(pause_, &QPushButton::clicked, &session_, &RecordSession::togglePause);
    connect(stop_, &QPushButton::clicked, &session_, &RecordSession::stop);
    connect(&session_, &RecordSession::changed, this, &TControleEnregistrement::refresh);
    connect(&session_, &RecordSession::finished, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(pause_);
    buttons->addWidget(stop_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addLayout(buttons);
    // Where no key reaches the recording from other windows (Wayland),
    // these buttons are the only way.
    if (!session_.hasGlobalKeys()) {
        auto* note = new QLabel(QString::fromUtf8("Ctrl+Alt+P et Ctrl+Alt+S ne sont pas disponibles dans cette "
                                                  "session : utilisez ces boutons."),
                                this);
        note->setObjectName(QStringLiteral("Label2"));
        note->setWordWrap(true);
        layout->addWidget(note);
    }
    refresh();
}

void TControleEnregistrement::refresh()
{
    status_->setText(session_.statusText());
    const RecordSession::State s = session_.state();
    pause_->setText(s == RecordSession::State::Paused ? QStringLiteral("&Reprendre") : QStringLiteral("&Pause"));
    pause_->setEnabled(s == RecordSession::State::Recording || s == RecordSession::State::Paused);
}

// Closing the window stops the recording; what was recorded is kept.
void TControleEnregistrement::closeEvent(QCloseEvent* event)
{
    session_.stop();
    QDialog::closeEvent(event);
}

void TControleEnregistrement::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        session_.stop();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace orugif::record

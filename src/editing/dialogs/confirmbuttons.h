// "Annuler" and "OK" of the editor's dialogs: only OK sets the confirmed
// flag; "Annuler", Escape and the close box all count as a cancel.
#pragma once
#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <functional>

namespace orugif {

struct ConfirmButtons {
    QPushButton* cancel;
    QPushButton* ok;
    QHBoxLayout* row;  // both, right-aligned, ready for the dialog's layout
};

// `mayConfirm`, when given, is asked before OK closes the dialog: it shows
// what is wrong and returns false to keep the dialog open.
inline ConfirmButtons addConfirmButtons(QDialog* dialog, bool& confirmed, const char* cancelName = "Button1",
                                        const char* okName = "Button2", std::function<bool()> mayConfirm = {})
{
    auto* cancel = new QPushButton(QStringLiteral("Annuler"), dialog);
    cancel->setObjectName(QString::fromLatin1(cancelName));
    auto* ok = new QPushButton(QStringLiteral("OK"), dialog);
    ok->setObjectName(QString::fromLatin1(okName));
    ok->setDefault(true);
    QObject::connect(cancel, &QPushButton::clicked, dialog, [dialog, &confirmed] {
        confirmed = false;
        dialog->reject();
    });
    QObject::connect(ok, &QPushButton::clicked, dialog, [dialog, &confirmed, mayConfirm] {
        if (mayConfirm && !mayConfirm())
            return;
        confirmed = true;
        dialog->accept();
    });
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(cancel);
    row->addWidget(ok);
    return {cancel, ok, row};
}

} // namespace orugif

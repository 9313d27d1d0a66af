// TEffets, "Effets spéciaux": the list of effects, a preview, "Aperçu",
// "Rétablir", "Annuler" and "OK".
#pragma once
#include "editing/effectsession.h"

#include <QDialog>

class QListWidget;

namespace orugif {

class PreviewLabel;

class TEffets : public QDialog {
    Q_OBJECT
public:
    explicit TEffets(QWidget* parent = nullptr);
    void Init(const QImage& picture);
    void Result(QImage& picture) const { session_.Result(picture); }
    editing::EffectSession& session() { return session_; }

private:
    void showWork();

    editing::EffectSession session_;
    QWidget* preview_;
    QListWidget* list_;
};

} // namespace orugif

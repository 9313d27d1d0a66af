// TApres and TAvant ("Transition après l'image", "Transition avant l'image"):
// a preview, the seven kinds, the frame count, "Annuler" and "OK".
#pragma once
#include <QDialog>

class QListWidget;
class QSpinBox;

namespace orugif {

class TransitionDialog : public QDialog {
    Q_OBJECT
public:
    TransitionDialog(bool after, QWidget* parent = nullptr);
    void Init(const QImage& picture);
    // kind = -1 unless confirmed with "OK"; then the selected kind (-1 when
    // none) and the count.
    void Result(int& count, int& kind) const;

private:
    QWidget* preview_;
    QListWidget* list_;
    QSpinBox* count_;
    bool confirmed_ = false;
};

} // namespace orugif

// The small window shown while recording: the countdown, then the time,
// memory and frames so far, with "Pause"/"Reprendre" and "Arrêter". It stays
// above other windows, and closes when the recording ends.
#pragma once
#include "record/session.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace orugif::record {

class TControleEnregistrement : public QDialog {
    Q_OBJECT
public:
    explicit TControleEnregistrement(RecordSession& session, QWidget* parent = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refresh();

    RecordSession& session_;
    QLabel* status_;
    QPushButton* pause_;
    QPushButton* stop_;
};

} // namespace orugif::record

// THorloge ("Horloge"): the live time and date, the spin arrows that change
// the field chosen in "Hr/Mn/Jo/Mo/An", and "Set" to freeze the labels and
// then apply them to the system clock.
#pragma once
#include "accessories/clock.h"

#include <QDialog>

class QButtonGroup;
class QLabel;
class QTimer;

namespace orugif {

class THorloge : public QDialog {
    Q_OBJECT
public:
    THorloge(accessories::ClockSetter setter, std::function<QDateTime()> now = {}, QWidget* parent = nullptr);

    void spin(bool up);  // the spin arrows
    void Button2Click(); // "Set"
    QTimer* timer() const { return timer_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void tick();
    void showFields();

    accessories::ClockSetter setter_;
    std::function<QDateTime()> now_;
    accessories::ClockFields fields_;
    QLabel* time_;
    QLabel* date_;
    QButtonGroup* choice_;
    QTimer* timer_;
};

} // namespace orugif

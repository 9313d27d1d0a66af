// TPocket ("Calculatrice"): the display on a red panel and the buttons of
// the pocket calculator; keys typed anywhere in the window press buttons.
#pragma once
#include "accessories/calculator.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace orugif {

class TPocket : public QDialog {
    Q_OBJECT
public:
    explicit TPocket(QWidget* parent = nullptr);
    const accessories::PocketCalculator& engine() const { return engine_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QPushButton* addButton(int number, const QString& caption, const std::function<void()>& action);
    QPushButton* buttonFor(QChar typed) const;

    accessories::PocketCalculator engine_;
    QLabel* display_;
    QPushButton* buttons_[20] = {};
};

} // namespace orugif

// TEurof ("Euro convertisseur"): francs to euros and back at a rate the
// spin arrows change; Enter or "=" converts.
#pragma once
#include "accessories/euro.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace orugif {

class TEurof : public QDialog {
    Q_OBJECT
public:
    explicit TEurof(QWidget* parent = nullptr);
    const accessories::EuroConverter& engine() const { return engine_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void type(QChar typed);
    void convert();
    void showAmounts();

    accessories::EuroConverter engine_;
    QLabel* amount_;
    QLabel* result_;
    QLineEdit* rate_;
    QRadioButton* toEuro_;
    QPushButton* equals_;
};

} // namespace orugif

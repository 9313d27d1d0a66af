// The dialogs of the geometric transforms: rotation choice (TRot), move
// offsets (TDecaler) and the new size (TRedim). Only "OK" (or Enter in
// TRedim) confirms; any other way of closing is a cancel.
#pragma once
#include "editing/redim.h"

#include <QDialog>

class QLineEdit;
class QCheckBox;
class QRadioButton;
class QSpinBox;

namespace orugif {

class TRot : public QDialog {
    Q_OBJECT
public:
    explicit TRot(QWidget* parent = nullptr);
    // 0 when not confirmed, else 1 "90° gauche", 2 "90° droite", 3 "180°".
    int Result() const;
    int exec() override;

private:
    QRadioButton* left_;
    QRadioButton* right_;
    QRadioButton* half_;
    bool confirmed_ = false;
};

class TDecaler : public QDialog {
    Q_OBJECT
public:
    explicit TDecaler(QWidget* parent = nullptr);
    void Init(int width, int height);
    // (0, 0) when not confirmed.
    QPoint Result() const;

private:
    QSpinBox* x_;
    QSpinBox* y_;
    bool confirmed_ = false;
};

class TRedim : public QDialog {
    Q_OBJECT
public:
    explicit TRedim(QWidget* parent = nullptr);
    void Init(int width, int height);
    // (0, 0) when not confirmed; a field too large fails with a French message.
    QSize Result() const { return logic_.Result(); }
    editing::RedimLogic& logic() { return logic_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void confirm();
    void leave(QLineEdit* field);
    void display(QLineEdit* field) const;

    editing::RedimLogic logic_;
    QLineEdit* width_;
    QLineEdit* height_;
    QCheckBox* keep_;
    bool closing_ = false;
};

} // namespace orugif

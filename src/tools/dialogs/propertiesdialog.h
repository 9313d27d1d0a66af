// TParametres ("Propriétés": loop count, delay, transparent background) and
// TOptimum ("Optimisation": the three options). Only "OK" confirms.
#pragma once
#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace orugif {

class TParametres : public QDialog {
    Q_OBJECT
public:
    explicit TParametres(QWidget* parent = nullptr);
    void Init(int repeatCount, int frameDelay, int gifVersion, bool transparent);
    // Writes the fields only when confirmed.
    void Result(int& repeatCount, int& frameDelay, bool& transparent) const;
    int exec() override;

private:
    QLabel* version_;
    QLineEdit* repeat_;
    QLineEdit* delay_;
    QCheckBox* transparent_;
    bool accepted_ = false;
};

class TOptimum : public QDialog {
    Q_OBJECT
public:
    explicit TOptimum(QWidget* parent = nullptr);
    void Init(bool removeLocalPalettes, bool mergeDuplicatePixels, bool removeUselessFrames);
    void Result(bool& removeLocalPalettes, bool& mergeDuplicatePixels, bool& removeUselessFrames) const;
    int exec() override;

private:
    QCheckBox* boxes_[3];
    bool accepted_ = false;
};

} // namespace orugif

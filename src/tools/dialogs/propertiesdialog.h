// TParametres ("Propriétés": loop count, delay, transparent background) and
// TOptimum ("Optimisation": the three options, the colour reduction and the
// dithering, with the estimated size). Only "OK" confirms.
#pragma once
#include "document/gifbuild.h"
#include "tools/optimisation.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace orugif {

class TParametres : public QDialog {
    Q_OBJECT
public:
    explicit TParametres(QWidget* parent = nullptr);
    void Init(int repeatCount, int frameDelay, int gifVersion, bool transparent);
    // Writes the fields only when confirmed.
    void Result(int& repeatCount, int& frameDelay, bool& transparent) const;
    // Whether the dialog was closed with "OK".
    bool Accepted() const { return accepted_; }
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
    ~TOptimum() override;
    void Init(bool removeLocalPalettes, bool mergeDuplicatePixels, bool removeUselessFrames);
    void Result(bool& removeLocalPalettes, bool& mergeDuplicatePixels, bool& removeUselessFrames) const;
    // The colour reduction (method 6, 7, 5, 3 or 4), its bits and the
    // dither mode; an unknown method shows the web palette.
    void InitReduction(int method, int bits, int dither);
    void ResultReduction(int& method, int& bits, int& dither) const;
    // "Compression avec pertes": 0 (off) to 200.
    void InitLossy(int tolerance);
    void ResultLossy(int& tolerance) const;
    // Whether the dialog was closed with "OK".
    bool Accepted() const { return accepted_; }
    // Estimates, in the background, the size of `frames` saved with
    // `settings` and the options shown, again whenever an option changes.
    void EstimateFor(std::vector<QImage> frames, AnimationSettings settings);
    int exec() override;

private:
    int method() const;
    void optionsChanged();
    void showSize(std::int64_t size, int generation);

    QCheckBox* boxes_[3];
    QComboBox* reduction_;
    QSpinBox* bits_;
    QComboBox* dither_;
    QSpinBox* lossy_;
    QLabel* size_;
    bool accepted_ = false;
    std::vector<QImage> frames_;
    AnimationSettings settings_;
    bool estimating_ = false;
    int generation_ = 0;
    // Last: destroyed first, so its threads end before the widgets go.
    std::unique_ptr<tools::SizeEstimator> estimator_;
};

} // namespace orugif

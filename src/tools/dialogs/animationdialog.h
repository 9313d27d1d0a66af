// TOptAnimation ("Exporter en vidéo ou image animée"): the quality of an
// MP4, WebM or WebP export, WebP's exact pixels, and the size those choices
// give on demand. Only "OK" confirms.
#pragma once
#include "formats/animationwriter.h"

#include <QDialog>
#include <cstdint>
#include <functional>

class QCheckBox;
class QLabel;
class QSpinBox;

namespace orugif {

class TOptAnimation : public QDialog {
    Q_OBJECT
public:
    using Estimate = std::function<std::int64_t(const formats::AnimationOptions&)>;
    TOptAnimation(const formats::AnimationOptions& options, Estimate estimate, QWidget* parent = nullptr);
    // The options shown; the confirmed ones once "OK" closed the dialog.
    formats::AnimationOptions Result() const;
    bool accepted() const { return accepted_; }
    int exec() override;

private:
    void showEstimate();

    formats::AnimationOptions options_;
    Estimate estimate_;
    QSpinBox* quality_;
    QCheckBox* lossless_;
    QLabel* size_;
    bool accepted_ = false;
};

} // namespace orugif

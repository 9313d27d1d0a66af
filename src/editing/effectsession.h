// The state of the special effects dialog: the work picture that effects
// accumulate on, the restore copy taken before the last one, and whether the
// user confirmed.
#pragma once
#include "editing/effects.h"

#include <QImage>
#include <QRect>
#include <vector>

namespace orugif::editing {

class EffectSession {
public:
    explicit EffectSession(Effects effects = Effects()) : effects_(std::move(effects)) {}

    void Init(const QImage& picture);
    // "Aperçu": takes the restore copy, then applies effect `index` (-1 when
    // no entry is selected: nothing is applied).
    void preview(int index);
    // "Rétablir": back one effect; before any "Aperçu" it does nothing.
    void restore();
    // When confirmed, `picture` becomes the work picture.
    void Result(QImage& picture) const;

    bool confirmed = false;
    const QImage& work() const { return work_; }
    // The effects the work picture went through, in order (a "Rétablir"
    // takes the last one back): what other frames go through to look alike.
    const std::vector<int>& applied() const { return applied_; }

    // Where the preview control of `control` size shows a picture of `size`:
    // scaled into a box of its aspect ratio when larger than the control both
    // ways, otherwise unscaled at the top left.
    static QRect previewRect(QSize size, QSize control = QSize(209, 233));

private:
    Effects effects_;
    QImage work_;
    QImage restore_;
    std::vector<int> applied_;
    bool restorable_ = false;  // the last effect may still be taken back
};

} // namespace orugif::editing

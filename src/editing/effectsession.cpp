#include "editing/effectsession.h"

#include <cmath>

namespace orugif::editing {

void EffectSession::Init(const QImage& picture)
{
    confirmed = false;
    work_ = picture.convertToFormat(QImage::Format_RGB32);
    restore_ = QImage();
    applied_.clear();
    restorable_ = false;
}

void EffectSession::preview(int index)
{
    restore_ = work_;
    effects_.apply(work_, index);  // the shared copy detaches before any write
    applied_.push_back(index);
    restorable_ = true;
    confirmed = false;
}

void EffectSession::restore()
{
    if (!restore_.isNull())
        work_ = restore_;
    if (restorable_) {
        applied_.pop_back();
        restorable_ = false;
    }
}

void EffectSession::Result(QImage& picture) const
{
    if (confirmed)
        picture = work_;
}

QRect EffectSession::previewRect(QSize size, QSize control)
{
    if (size.width() > control.width() && size.height() > control.height()) {
        if (size.width() > size.height())
            return QRect(0, 0, control.width(),
                         int(std::nearbyint(double(control.width()) * size.height() / size.width())));
        return QRect(0, 0, int(std::nearbyint(double(control.height()) * size.width() / size.height())),
                     control.height());
    }
    return QRect(QPoint(0, 0), size);
}

} // namespace orugif::editing

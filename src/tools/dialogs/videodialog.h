// TOptAvi ("Options d'importation AVI"): which frames of a video to import,
// on what width and at what rate; it tells the clip's duration, size, rate
// and codec. Only "OK" confirms.
#pragma once
#include "document/prompts.h"

#include <QDialog>
#include <QSize>
#include <cstdint>

class QComboBox;
class QLabel;
class QRadioButton;
class QSpinBox;

namespace orugif {

class TOptAvi : public QDialog {
    Q_OBJECT
public:
    explicit TOptAvi(QWidget* parent = nullptr);
    // Positions first..last of a video of `size`: the fields start on the
    // whole range, the video's width and its own rate.
    void Init(std::int64_t first, std::int64_t last, QSize size);
    // The same for the clip `info` describes, whose summary is shown.
    void Init(const formats::VideoInfo& info);
    // The confirmed choice; first -1 unless "OK" closed the dialog.
    DocumentPrompts::VideoChoice Result() const;
    int exec() override;

private:
    void showHeight();

    QRadioButton* all_;
    QRadioButton* range_;
    QSpinBox* from_;
    QSpinBox* to_;
    QSpinBox* width_;
    QLabel* height_;
    QLabel* summary_;
    QComboBox* rate_;
    std::int64_t first_ = 0;
    std::int64_t last_ = -1;
    QSize size_;
    bool accepted_ = false;
};

} // namespace orugif

// TEnregistrement ("Enregistrer l'écran"): what to record (the whole
// screen, a window clicked on the screen, or a region dragged on it or typed
// as x, y, width, height), at what rate, with the pointer or not. The
// choices are remembered for the next recording. Where the session cannot
// do a choice (no window by click, no global keys under Wayland), the
// dialog says so.
#pragma once
#include "record/recorder.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace orugif::record {

class TEnregistrement : public QDialog {
    Q_OBJECT
public:
    // `pick` shows the picker (`window` true: click a window) and gives the
    // rectangle chosen, empty when cancelled; tests replace it.
    using Pick = std::function<QRect(bool window)>;
    TEnregistrement(ScreenSource& source, Pick pick = {}, QWidget* parent = nullptr);
    // The options shown; the confirmed ones once "Enregistrer" closed the dialog.
    RecordOptions Result() const;
    enum class Target { Screen, Window, Region };
    Target target() const;
    bool accepted() const { return accepted_; }
    int exec() override;

private:
    void choose();
    void setRegion(const QRect& r);
    void remember() const;

    ScreenSource& source_;
    Pick pick_;
    QRadioButton* whole_;
    QRadioButton* window_;
    QRadioButton* region_;
    QSpinBox* x_;
    QSpinBox* y_;
    QSpinBox* w_;
    QSpinBox* h_;
    QSpinBox* fps_;
    QCheckBox* pointer_;
    QPushButton* choose_;
    bool accepted_ = false;
};

// The picker over the real screen, for TEnregistrement. A source that must
// first ask the desktop to share the screen asks here, with `pointer` as the
// recording will want it; a refusal is shown, a cancel gives nothing.
QRect pickOnScreen(ScreenSource& source, bool window, QWidget* parent, bool pointer = false);

} // namespace orugif::record

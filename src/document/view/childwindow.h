// The document window (form "Child"): the status strip StaticText1, the
// picture panel Panel1 holding Image1, and ProgressBar1 along the bottom.
#pragma once
#include <QWidget>

class QLabel;
class QFrame;
class QProgressBar;
class QScrollArea;

namespace orugif {

class TChild;
class PictureWidget;

class ChildWindow : public QWidget {
    Q_OBJECT
public:
    ChildWindow(TChild& child, QWidget* parent = nullptr);

    TChild& child() { return child_; }
    QProgressBar* progressBar() const { return progress_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void sizePanel();

    TChild& child_;
    QLabel* status_;
    QScrollArea* scroll_;
    QFrame* panel_;
    PictureWidget* image_;
    QProgressBar* progress_;
};

} // namespace orugif

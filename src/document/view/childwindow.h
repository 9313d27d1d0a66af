// The document window (form "Child"): the status strip StaticText1, the
// picture panel Panel1 holding Image1, the frame strip and ProgressBar1
// along the bottom.
// The window zooms the picture (the level shows at the right of the strip).
#pragma once
#include <QWidget>
#include <optional>

class QLabel;
class QFrame;
class QProgressBar;
class QScrollArea;

namespace orugif {

class TChild;
class PictureWidget;
class FrameStrip;
class FrameStripPanel;

class ChildWindow : public QWidget {
    Q_OBJECT
public:
    ChildWindow(TChild& child, QWidget* parent = nullptr);

    TChild& child() { return child_; }
    QProgressBar* progressBar() const { return progress_; }
    PictureWidget* picture() const { return image_; }
    FrameStrip* frameStrip() const;
    // The frame strip along the bottom, shown or hidden.
    void setStripShown(bool shown);
    bool stripShown() const;

    // The zoom: the next level up or down, 100 %, the whole picture in the
    // window, or any scale from 1/8 to 32. `anchor` (a point of the scroll
    // area's viewport) keeps the picture pixel under it in place; without
    // one the centre of the view stays.
    double scale() const;
    void zoomIn();
    void zoomOut();
    void actualSize();
    void fitToWindow();
    void setScale(double scale, std::optional<QPoint> anchor = {});

signals:
    void scaleChanged(double scale);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void sizePanel();

    TChild& child_;
    QLabel* status_;
    QLabel* zoomLabel_;
    int wheelAngle_ = 0;  // part of a wheel notch not yet turned into a zoom step
    QScrollArea* scroll_;
    QFrame* panel_;
    PictureWidget* image_;
    FrameStripPanel* stripPanel_;
    QProgressBar* progress_;
};

} // namespace orugif

// TAnime ("Anime"): the playback window. It builds its own GIF image from
// the frames, plays it with a threaded painter drawing into Image10, counts
// the paint events in Label1, and pauses ("Arrêt") and resumes ("Marche").
#pragma once
#include "document/gifbuild.h"

#include <QDialog>
#include <memory>

class QLabel;
class QToolButton;
class QPushButton;

namespace orugif {

namespace gif {
class TGIFImage;
class TGIFPainter;
}

class TAnime : public QDialog {
    Q_OBJECT
public:
    explicit TAnime(QWidget* parent = nullptr);
    ~TAnime() override;

    // Builds the image from the frames (progress reported as (i, count)) and
    // sizes the window: the picture at the frame size, the client area 50
    // wider and 85 higher, and never narrower than 250.
    void Init(const std::vector<QImage>& frames, const AnimationSettings& settings,
              const std::function<void(int, int)>& progress = {});

    void SpeedButton1Click();  // "Marche"
    void SpeedButton2Click();  // "Arrêt"
    bool playing() const { return playing_; }
    int paintCounter() const { return counter_; }
    gif::TGIFPainter* painter() const { return painter_.get(); }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;

private:
    void OnStartPaint();
    void OnPaint();
    void stopPainter();

    std::unique_ptr<gif::TGIFImage> image_;
    std::unique_ptr<gif::TGIFPainter> painter_;
    QWidget* panel_;
    QToolButton* resume_;
    QToolButton* pause_;
    QLabel* label_;
    QPushButton* close_;
    QLabel* picture_;
    int counter_ = 0;
    bool playing_ = false;
};

} // namespace orugif

// The frame strip along the bottom of the document window: a thumbnail per
// frame with its number and delay, the current frame outlined and kept in
// view. Click, Shift, Ctrl and Ctrl+A select; dragging the selection moves
// it; Suppr deletes it; the context menu sets delays and speed, drops every
// N-th frame, duplicates and reverses. Only the frames in view are painted,
// from thumbnails made in the background.
#pragma once
#include <QAbstractListModel>
#include <QListView>
#include <QWidget>
#include <functional>
#include <vector>

class QSlider;

namespace orugif {

class TChild;
class ThumbnailMaker;

// One row a frame of the document; the strip paints the rows itself.
class FrameStripModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit FrameStripModel(TChild& child, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // Follows the document's frames: a reset when their number changed,
    // the rows that changed otherwise. True when anything did.
    bool sync();

private:
    TChild& child_;
    std::vector<qint64> keys_;
    std::vector<int> delays_;
};

class FrameStrip : public QListView {
    Q_OBJECT
public:
    explicit FrameStrip(TChild& child, QWidget* parent = nullptr);
    ~FrameStrip() override;

    // How the strip's commands run (the main window shows their errors and
    // refreshes its menus); by default an error shows in a message box.
    void setCommandRunner(std::function<void(const std::function<void()>&)> runner);

    // Zoom levels: 0 fits every frame in the width (as far as a frame keeps
    // a few pixels), then larger and larger thumbnails.
    static constexpr int kZoomLevels = 6;
    int zoom() const { return zoom_; }
    void setZoom(int level);
    // The size of one frame's cell and of its picture box.
    QSize cellSize() const;
    QSize pictureBox() const;

    ThumbnailMaker& thumbnails() { return *thumbnails_; }
    TChild& child() { return child_; }
    // Follows the document now (frames, selection, current frame).
    void sync();

signals:
    void zoomChanged(int level);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void run(const std::function<void()>& command);
    void syncLater();
    void syncSelection();
    void updateSizes();
    // Where frames dropped at `pos` go: 0..count.
    int dropTarget(QPoint pos) const;

    TChild& child_;
    FrameStripModel* model_;
    ThumbnailMaker* thumbnails_;
    std::function<void(const std::function<void()>&)> runner_;
    int zoom_ = 2;
    int shownCurrent_ = -1;
    bool syncing_ = false;
    int busy_ = 0;           // inside one of our own handlers: syncs wait for its end
    bool syncPending_ = false;
    int pressRow_ = -1;      // a selected frame pressed: the selection may be dragged
    QPoint pressPos_;
    bool dragging_ = false;
    int dropRow_ = -1;
    friend struct Busy;
};

// The strip with its zoom slider, as the document window holds it.
class FrameStripPanel : public QWidget {
    Q_OBJECT
public:
    explicit FrameStripPanel(TChild& child, QWidget* parent = nullptr);
    FrameStrip* strip() const { return strip_; }
    QSlider* zoomSlider() const { return slider_; }

private:
    FrameStrip* strip_;
    QSlider* slider_;
};

} // namespace orugif

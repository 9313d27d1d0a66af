#include "document/view/framestrip.h"

#include "document/child.h"
#include "document/view/thumbnails.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QScrollBar>
#include <QSlider>
#include <QStyledItemDelegate>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace orugif {

namespace {

// The picture box's height at each zoom level; level 0 fits the frames in
// the width and keeps the height of level 2.
constexpr int kBoxHeights[FrameStrip::kZoomLevels] = {48, 32, 48, 72, 108, 160};
constexpr int kPad = 3;
constexpr int kLabel = 15;
constexpr int kMinFitWidth = 6;

QFont labelFont(QFont font)
{
    font.setPointSizeF(std::max(6.0, font.pointSizeF() * 0.85));
    return font;
}

QString delayText(int delay)
{
    return QStringLiteral("%1,%2 s").arg(delay / 100).arg(delay % 100, 2, 10, QLatin1Char('0'));
}

// Paints one frame's cell: selection, thumbnail, current outline, labels.
class FrameCell : public QStyledItemDelegate {
public:
    explicit FrameCell(FrameStrip& strip) : QStyledItemDelegate(&strip), strip_(strip) {}

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override { return strip_.cellSize(); }

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        TChild& child = strip_.child();
        const int row = index.row();
        const QImage frame = child.ImageList1.frame(row);
        if (frame.isNull())
            return;
        const QRect cell = option.rect.adjusted(1, 0, -1, 0);
        const bool selected = option.state & QStyle::State_Selected;
        if (selected)
            p->fillRect(cell, option.palette.highlight());
        const QSize box = strip_.pictureBox();
        const QImage thumbnail = strip_.thumbnails().thumbnail(frame);
        QRect picture;
        QRectF part;  // the part of the thumbnail shown
        if (strip_.zoom() == 0) {
            // Every frame in the width: a slice of the middle of each, the
            // strip's full height, rather than a speck.
            picture = QRect(cell.left() + (cell.width() - box.width()) / 2, cell.top() + kPad, box.width(), box.height());
            const QSize covered = frame.size().scaled(box, Qt::KeepAspectRatioByExpanding).expandedTo(QSize(1, 1));
            const double fraction = double(box.width()) / covered.width();
            const double height = double(box.height()) / covered.height();
            part = QRectF(thumbnail.width() * (1 - fraction) / 2, thumbnail.height() * (1 - height) / 2,
                          thumbnail.width() * fraction, thumbnail.height() * height);
        } else {
            const QSize shown = frame.size().scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
            picture = QRect(cell.left() + (cell.width() - shown.width()) / 2,
                            cell.top() + kPad + (box.height() - shown.height()) / 2, shown.width(), shown.height());
            part = thumbnail.rect();
        }
        if (thumbnail.isNull())
            p->fillRect(picture, QColor(0xd8, 0xd8, 0xd8));
        else
            p->drawImage(QRectF(picture), thumbnail, part);
        if (row == child.CurrentIndex) {
            p->save();
            p->setPen(QPen(QColor(0xe0, 0x40, 0x00), 2));
            p->setBrush(Qt::NoBrush);
            p->drawRect(QRectF(picture).adjusted(-1, -1, 1, 1));
            p->restore();
        }
        if (strip_.zoom() == 0)
            return;  // the strip numbers the frames every few cells itself
        const QRect label(cell.left() + 2, cell.top() + kPad + box.height() + 1, cell.width() - 4, kLabel - 1);
        const QFont font = labelFont(option.font);
        p->setFont(font);
        p->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        const QFontMetrics metrics(font);
        const QString number = QString::number(row + 1);
        const QString delay = delayText(child.frameDelay(row));
        if (metrics.horizontalAdvance(number + QStringLiteral("  ") + delay) <= label.width()) {
            p->drawText(label, Qt::AlignLeft | Qt::AlignVCenter, number);
            p->drawText(label, Qt::AlignRight | Qt::AlignVCenter, delay);
        } else if (metrics.horizontalAdvance(number) <= label.width()) {
            p->drawText(label, Qt::AlignCenter, number);
        }
    }

private:
    FrameStrip& strip_;
};

} // namespace

// --- the model

FrameStripModel::FrameStripModel(TChild& child, QObject* parent) : QAbstractListModel(parent), child_(child)
{
    sync();
}

int FrameStripModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(keys_.size()); }

QVariant FrameStripModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return QStringLiteral("Cadre %1 - %2").arg(index.row() + 1).arg(delayText(child_.frameDelay(index.row())));
    if (role == Qt::UserRole)
        return child_.frameDelay(index.row());
    return {};
}

bool FrameStripModel::sync()
{
    const FrameStore& store = child_.ImageList1;
    const std::size_t count = std::size_t(store.count());
    std::vector<qint64> keys(count);
    std::vector<int> delays(count);
    for (std::size_t i = 0; i < count; ++i) {
        keys[i] = store.frames()[i].cacheKey();
        delays[i] = child_.frameDelay(int(i));
    }
    if (keys.size() != keys_.size()) {
        beginResetModel();
        keys_ = std::move(keys);
        delays_ = std::move(delays);
        endResetModel();
        return true;
    }
    int first = -1, last = -1;
    for (std::size_t i = 0; i < count; ++i)
        if (keys[i] != keys_[i] || delays[i] != delays_[i]) {
            if (first < 0)
                first = int(i);
            last = int(i);
        }
    keys_ = std::move(keys);
    delays_ = std::move(delays);
    if (first < 0)
        return false;
    emit dataChanged(index(first), index(last));
    return true;
}

// --- the strip

struct Busy {
    FrameStrip& strip;
    explicit Busy(FrameStrip& s) : strip(s) { ++strip.busy_; }
    ~Busy()
    {
        if (--strip.busy_ == 0 && strip.syncPending_) {
            strip.syncPending_ = false;
            strip.sync();
        }
    }
};

FrameStrip::FrameStrip(TChild& child, QWidget* parent)
    : QListView(parent), child_(child), model_(new FrameStripModel(child, this)), thumbnails_(new ThumbnailMaker(this))
{
    setObjectName(QStringLiteral("FrameStrip"));
    setToolTip(QStringLiteral("Cadres : clic, Maj et Ctrl pour choisir, glisser pour déplacer, Suppr pour supprimer"));
    setViewMode(QListView::ListMode);
    setFlow(QListView::LeftToRight);
    setWrapping(false);
    setUniformItemSizes(true);
    setMovement(QListView::Static);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    setItemDelegate(new FrameCell(*this));
    setModel(model_);
    runner_ = [this](const std::function<void()>& command) {
        try {
            command();
        } catch (const std::exception& e) {
            QMessageBox::warning(this, QStringLiteral("Oru Gif"), QString::fromUtf8(e.what()));
        }
    };
    connect(thumbnails_, &ThumbnailMaker::ready, viewport(), qOverload<>(&QWidget::update));
    connect(&child_, &TChild::statusChanged, this, [this] { syncLater(); });
    connect(&child_, &TChild::historyChanged, this, [this] { syncLater(); });
    connect(&child_, &TChild::selectionChanged, this, [this] { syncLater(); });
    connect(&child_, &TChild::pictureAreaChanged, this, [this] {
        updateSizes();
        viewport()->update();
    });
    updateSizes();
    sync();
}

FrameStrip::~FrameStrip() = default;

void FrameStrip::setCommandRunner(std::function<void(const std::function<void()>&)> runner)
{
    runner_ = std::move(runner);
}

QSize FrameStrip::pictureBox() const
{
    const QSize frame = child_.ImageList1.frameSize();
    const double aspect = frame.isEmpty() ? 4.0 / 3.0 : std::clamp(double(frame.width()) / frame.height(), 0.25, 4.0);
    const int height = kBoxHeights[zoom_];
    int width = std::max(1, int(std::lround(height * aspect)));
    if (zoom_ == 0) {
        // Every frame in the width, down to a sliver each.
        const int count = std::max(1, model_->rowCount());
        width = std::clamp(viewport()->width() / count - 2 * kPad, kMinFitWidth, width);
    }
    return {width, height};
}

QSize FrameStrip::cellSize() const { return pictureBox() + QSize(2 * kPad, 2 * kPad + kLabel); }

void FrameStrip::setZoom(int level)
{
    level = std::clamp(level, 0, kZoomLevels - 1);
    if (level == zoom_)
        return;
    zoom_ = level;
    updateSizes();
    if (QModelIndex current = model_->index(child_.CurrentIndex); current.isValid())
        scrollTo(current, QAbstractItemView::PositionAtCenter);
    emit zoomChanged(level);
}

void FrameStrip::updateSizes()
{
    // Fitting every frame shows a slice of each: the thumbnail is made at
    // the strip's height and cut.
    const QSize box = pictureBox();
    const QSize frame = child_.ImageList1.frameSize();
    thumbnails_->setBox(zoom_ == 0 && !frame.isEmpty() ? frame.scaled(QSize(box.height() * 4, box.height()), Qt::KeepAspectRatio)
                                                       : box);
    const QSize cell = cellSize();
    if (gridSize() != cell)
        setGridSize(cell);
    const int height = cell.height() + horizontalScrollBar()->sizeHint().height() + 2 * frameWidth();
    if (minimumHeight() != height || maximumHeight() != height)
        setFixedHeight(height);
}

void FrameStrip::resizeEvent(QResizeEvent* event)
{
    QListView::resizeEvent(event);
    if (zoom_ == 0)
        updateSizes();
}

void FrameStrip::run(const std::function<void()>& command)
{
    Busy busy(*this);
    runner_(command);
    syncPending_ = true;
}

void FrameStrip::syncLater()
{
    if (busy_ > 0)
        syncPending_ = true;
    else
        sync();
}

void FrameStrip::sync()
{
    if (syncing_)
        return;
    syncing_ = true;
    const bool reset = model_->rowCount() != child_.ImageList1.count();
    model_->sync();
    updateSizes();  // the frame size or, when fitting, the count may have changed
    syncSelection();
    const QModelIndex current = model_->index(child_.CurrentIndex);
    if (current.isValid() && (child_.CurrentIndex != shownCurrent_ || reset || currentIndex() != current)) {
        selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
        scrollTo(current);
    }
    shownCurrent_ = child_.CurrentIndex;
    viewport()->update();
    syncing_ = false;
}

void FrameStrip::syncSelection()
{
    const std::vector<int>& wanted = child_.selectedFrames();
    std::vector<int> shown;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        shown.push_back(index.row());
    std::sort(shown.begin(), shown.end());
    if (shown == wanted)
        return;
    QItemSelection selection;
    for (std::size_t k = 0; k < wanted.size();) {
        std::size_t end = k;
        while (end + 1 < wanted.size() && wanted[end + 1] == wanted[end] + 1)
            ++end;
        selection.select(model_->index(wanted[k]), model_->index(wanted[end]));
        k = end + 1;
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void FrameStrip::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QListView::selectionChanged(selected, deselected);
    if (syncing_)
        return;
    std::vector<int> rows;
    for (const QItemSelectionRange& range : selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    Busy busy(*this);
    child_.setSelectedFrames(std::move(rows));
}

void FrameStrip::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QListView::currentChanged(current, previous);
    if (syncing_ || !current.isValid() || current.row() == child_.CurrentIndex)
        return;
    const int row = current.row();
    run([this, row] { child_.goToFrame(row); });
}

int FrameStrip::dropTarget(QPoint pos) const
{
    const int count = model_->rowCount();
    const QModelIndex index = indexAt(QPoint(pos.x(), gridSize().height() / 2));
    if (!index.isValid())
        return pos.x() < 0 ? 0 : count;
    const QRect rect = visualRect(index);
    return index.row() + (pos.x() > rect.center().x() ? 1 : 0);
}

void FrameStrip::mousePressEvent(QMouseEvent* event)
{
    Busy busy(*this);
    const QModelIndex index = indexAt(event->position().toPoint());
    pressRow_ = -1;
    dragging_ = false;
    if (event->button() == Qt::LeftButton && index.isValid() && selectionModel()->isSelected(index)
        && !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))) {
        // The selection stays as it is until the button comes up: it may be dragged.
        pressRow_ = index.row();
        pressPos_ = event->position().toPoint();
        setFocus(Qt::MouseFocusReason);
        event->accept();
        return;
    }
    QListView::mousePressEvent(event);
}

void FrameStrip::mouseMoveEvent(QMouseEvent* event)
{
    if (pressRow_ < 0) {
        QListView::mouseMoveEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    if (!dragging_ && (pos - pressPos_).manhattanLength() < QApplication::startDragDistance())
        return;
    dragging_ = true;
    // Near an end, the strip scrolls under the dragged frames.
    const int edge = std::max(8, gridSize().width() / 3);
    if (pos.x() < edge)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - gridSize().width() / 2);
    else if (pos.x() > viewport()->width() - edge)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + gridSize().width() / 2);
    dropRow_ = dropTarget(pos);
    viewport()->update();
    event->accept();
}

void FrameStrip::mouseReleaseEvent(QMouseEvent* event)
{
    if (pressRow_ < 0) {
        QListView::mouseReleaseEvent(event);
        return;
    }
    Busy busy(*this);
    const int pressed = pressRow_;
    const bool dropped = dragging_;
    pressRow_ = -1;
    dragging_ = false;
    viewport()->update();
    event->accept();
    if (dropped) {
        const int target = dropTarget(event->position().toPoint());
        run([this, target] { child_.moveFrames(child_.selectedFrames(), target); });
        return;
    }
    // A click without a drag on a selected frame chooses it alone.
    selectionModel()->setCurrentIndex(model_->index(pressed), QItemSelectionModel::ClearAndSelect);
}

void FrameStrip::keyPressEvent(QKeyEvent* event)
{
    Busy busy(*this);
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        run([this] { child_.deleteFrames(child_.framesToChange()); });
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

void FrameStrip::wheelEvent(QWheelEvent* event)
{
    const QPoint delta = event->angleDelta();
    const int turn = delta.y() != 0 ? delta.y() : delta.x();
    if (event->modifiers() & Qt::ControlModifier) {
        if (turn != 0)
            setZoom(zoom_ + (turn > 0 ? 1 : -1));
    } else {
        // The strip runs across: the wheel scrolls it sideways.
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - turn * gridSize().width() / 120);
    }
    event->accept();
}

void FrameStrip::contextMenuEvent(QContextMenuEvent* event)
{
    const QModelIndex index = indexAt(event->pos());
    {
        Busy busy(*this);
        if (index.isValid() && !selectionModel()->isSelected(index))
            selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    }
    if (child_.framesToChange().empty())
        return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("FrameStripMenu"));
    const auto add = [&](const char* name, const QString& caption, std::function<void()> command) {
        QAction* action = menu.addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, [this, command = std::move(command)] { run(command); });
    };
    add("StripDelay", QStringLiteral("Durée des cadres..."), [this] { child_.DureeDesCadres(); });
    add("StripSpeed", QStringLiteral("Vitesse..."), [this] { child_.VitesseDesCadres(); });
    add("StripDropEvery", QStringLiteral("Supprimer un cadre sur N..."), [this] { child_.SupprimerUnSurN(); });
    menu.addSeparator();
    add("StripDuplicate", QStringLiteral("Dupliquer"), [this] { child_.duplicateFrames(child_.framesToChange()); });
    add("StripReverse", QStringLiteral("Inverser l'ordre"), [this] { child_.reverseFrames(child_.framesToChange()); });
    menu.exec(event->globalPos());
    event->accept();
}

void FrameStrip::paintEvent(QPaintEvent* event)
{
    QListView::paintEvent(event);
    const int count = model_->rowCount();
    if (zoom_ == 0 && count > 0) {
        // Cells too narrow for their numbers: a number every 1, 2, 5, 10,
        // 20, ... frames, as far apart as the longest number needs.
        QPainter painter(viewport());
        const QFont font = labelFont(this->font());
        painter.setFont(font);
        painter.setPen(palette().color(QPalette::Text));
        const int cell = std::max(1, gridSize().width());
        const int need = QFontMetrics(font).horizontalAdvance(QString::number(count)) + 6;
        int step = 1;
        for (int base = 1; step * cell < need; base *= 10)
            for (int m : {1, 2, 5})
                if ((step = base * m) * cell >= need)
                    break;
        const QModelIndex first = indexAt(QPoint(0, gridSize().height() / 2));
        const int from = first.isValid() ? first.row() : 0;
        const int top = kPad + pictureBox().height() + 1;
        for (int row = from - from % step; row < count; row += step) {
            const int number = row == 0 ? 1 : row;
            const QRect rect = visualRect(model_->index(number - 1));
            if (rect.left() > viewport()->width())
                break;
            painter.drawText(QRect(rect.left() + 1, top, need, kLabel - 1), Qt::AlignLeft | Qt::AlignVCenter,
                             QString::number(number));
        }
    }
    if (!dragging_ || dropRow_ < 0)
        return;
    // Where the dragged frames would go: a bar between two cells.
    int x = 0;
    if (dropRow_ < count)
        x = visualRect(model_->index(dropRow_)).left();
    else if (count > 0)
        x = visualRect(model_->index(count - 1)).right() + 1;
    QPainter painter(viewport());
    painter.fillRect(QRect(x - 2, 0, 4, viewport()->height()), palette().color(QPalette::Highlight).darker(130));
}

// --- the panel

FrameStripPanel::FrameStripPanel(TChild& child, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FrameStripPanel"));
    strip_ = new FrameStrip(child, this);
    slider_ = new QSlider(Qt::Vertical, this);
    slider_->setObjectName(QStringLiteral("StripZoom"));
    slider_->setRange(0, FrameStrip::kZoomLevels - 1);
    slider_->setValue(strip_->zoom());
    slider_->setToolTip(QStringLiteral("Taille des vignettes (en bas : tous les cadres)"));
    slider_->setFocusPolicy(Qt::NoFocus);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(strip_, 1);
    layout->addWidget(slider_);
    connect(slider_, &QSlider::valueChanged, strip_, &FrameStrip::setZoom);
    connect(strip_, &FrameStrip::zoomChanged, slider_, &QSlider::setValue);
}

} // namespace orugif

#include "document/view/childwindow.h"

#include "document/child.h"
#include "document/view/framestrip.h"
#include "document/view/picturewidget.h"
#include "document/view/zoom.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace orugif {

ChildWindow::ChildWindow(TChild& child, QWidget* parent) : QWidget(parent), child_(child)
{
    setObjectName(QStringLiteral("Child"));
    setFocusPolicy(Qt::StrongFocus);

    status_ = new QLabel(QStringLiteral("Cadre"), this);
    status_->setObjectName(QStringLiteral("StaticText1"));
    status_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    status_->setFixedHeight(20);
    zoomLabel_ = new QLabel(zoom::percentText(1.0), this);
    zoomLabel_->setObjectName(QStringLiteral("ZoomLabel"));
    zoomLabel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    zoomLabel_->setFixedHeight(20);
    zoomLabel_->setAlignment(Qt::AlignCenter);
    zoomLabel_->setMinimumWidth(zoomLabel_->fontMetrics().horizontalAdvance(QStringLiteral("3200,0 %")) + 12);
    zoomLabel_->setToolTip(QStringLiteral("Zoom"));

    // Panel1 sits at the top left; a scroll area keeps large frames reachable.
    scroll_ = new QScrollArea(this);
    scroll_->setFrameStyle(QFrame::NoFrame);
    scroll_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    panel_ = new QFrame;
    panel_->setObjectName(QStringLiteral("Panel1"));
    panel_->setFrameStyle(QFrame::Box | QFrame::Plain);
    panel_->setLineWidth(1);
    image_ = new PictureWidget(child_, panel_);
    // The panel's one-pixel border is its only margin: Image1 gets exactly
    // the frame size, so every pixel of the frame shows and can be clicked.
    auto* panelLayout = new QVBoxLayout(panel_);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(image_);
    scroll_->setWidget(panel_);

    stripPanel_ = new FrameStripPanel(child_, this);

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("ProgressBar1"));
    progress_->setRange(0, 100);
    progress_->setFixedHeight(20);
    progress_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* strip = new QHBoxLayout;
    strip->setContentsMargins(0, 0, 0, 0);
    strip->setSpacing(0);
    strip->addWidget(status_, 1);
    strip->addWidget(zoomLabel_);
    layout->addLayout(strip);
    layout->addWidget(scroll_, 1);
    layout->addWidget(stripPanel_);
    layout->addWidget(progress_);

    connect(&child_, &TChild::statusChanged, status_, &QLabel::setText);
    connect(&child_, &TChild::progress, this, [this](int position, int maximum) {
        progress_->setRange(0, std::max(maximum, 0));
        progress_->setValue(position);
        progress_->show();
        progress_->repaint();
    });
    connect(&child_, &TChild::progressDone, progress_, &QProgressBar::hide);
    connect(&child_, &TChild::pictureAreaChanged, this, [this] { sizePanel(); });
    connect(&child_, &TChild::pictureChanged, this, [this] { sizePanel(); });
    status_->setText(child_.statusText());
    sizePanel();

    // A click on the picture hands the focus to the scroll area, which would
    // scroll with Page Up and Page Down: the window and every widget in it
    // pass those keys to the document first.
    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
}

bool ChildWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Ctrl + wheel zooms about the pointer, wherever it is in the window;
    // the wheel alone scrolls.
    // The strip zooms its own thumbnails.
    const bool inStrip = watched->isWidgetType() && stripPanel_->isAncestorOf(static_cast<QWidget*>(watched));
    if (event->type() == QEvent::Wheel && !inStrip) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            wheelAngle_ += wheel->angleDelta().y() != 0 ? wheel->angleDelta().y() : wheel->angleDelta().x();
            const QPoint global = wheel->globalPosition().toPoint();
            const QPoint inView = scroll_->viewport()->mapFromGlobal(global);
            const std::optional<QPoint> anchor = scroll_->viewport()->rect().contains(inView)
                ? std::optional<QPoint>(inView) : std::nullopt;
            for (; wheelAngle_ >= 120; wheelAngle_ -= 120)
                setScale(zoom::zoomIn(scale()), anchor);
            for (; wheelAngle_ <= -120; wheelAngle_ += 120)
                setScale(zoom::zoomOut(scale()), anchor);
            event->accept();
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown) {
            // Claimed as a plain key (no shortcut takes it), then handled.
            if (event->type() == QEvent::KeyPress)
                child_.FormKeyDown(key->key());
            event->accept();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ChildWindow::sizePanel()
{
    // The panel is the frame size at the zoom plus a one-pixel border each
    // way; a working picture of another size (none yet, or one being built)
    // widens it.
    QSize size = child_.pictureArea();
    if (!child_.picture().isNull())
        size = size.expandedTo(child_.picture().size());
    panel_->setFixedSize(zoom::shownSize(size, image_->scale()) + QSize(2, 2));
}

FrameStrip* ChildWindow::frameStrip() const { return stripPanel_->strip(); }

void ChildWindow::setStripShown(bool shown) { stripPanel_->setVisible(shown); }

bool ChildWindow::stripShown() const { return !stripPanel_->isHidden(); }

double ChildWindow::scale() const { return image_->scale(); }

void ChildWindow::zoomIn() { setScale(zoom::zoomIn(scale())); }
void ChildWindow::zoomOut() { setScale(zoom::zoomOut(scale())); }
void ChildWindow::actualSize() { setScale(1.0); }

void ChildWindow::fitToWindow()
{
    // The room the view has without scroll bars, less the panel's border.
    const QSize room = scroll_->maximumViewportSize() - QSize(2, 2);
    const QSize picture = child_.picture().isNull() ? child_.pictureArea() : child_.picture().size();
    setScale(zoom::fitScale(picture, room));
}

void ChildWindow::setScale(double scale, std::optional<QPoint> anchor)
{
    scale = std::clamp(scale, zoom::kMinimum, zoom::kMaximum);
    const double old = image_->scale();
    QScrollBar* h = scroll_->horizontalScrollBar();
    QScrollBar* v = scroll_->verticalScrollBar();
    const QPoint at = anchor.value_or(scroll_->viewport()->rect().center());
    // The point of the picture under `at`, in picture pixels (fractional).
    const QPoint inImage = image_->mapFrom(scroll_->viewport(), at);
    const double px = inImage.x() / old;
    const double py = inImage.y() / old;
    image_->setScale(scale);
    sizePanel();
    // The same picture point back under `at` (the panel scrolls; Image1
    // sits inside its border).
    h->setValue(int(std::lround(px * scale)) + image_->x() - at.x());
    v->setValue(int(std::lround(py * scale)) + image_->y() - at.y());
    zoomLabel_->setText(zoom::percentText(scale));
    if (scale != old)
        emit scaleChanged(scale);
}

} // namespace orugif

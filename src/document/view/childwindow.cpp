#include "document/view/childwindow.h"

#include "document/child.h"
#include "document/view/picturewidget.h"

#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QScrollArea>
#include <QVBoxLayout>

namespace orugif {

ChildWindow::ChildWindow(TChild& child, QWidget* parent) : QWidget(parent), child_(child)
{
    setObjectName(QStringLiteral("Child"));
    setFocusPolicy(Qt::StrongFocus);

    status_ = new QLabel(QStringLiteral("Cadre"), this);
    status_->setObjectName(QStringLiteral("StaticText1"));
    status_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    status_->setFixedHeight(20);

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

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("ProgressBar1"));
    progress_->setRange(0, 100);
    progress_->setFixedHeight(20);
    progress_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(status_);
    layout->addWidget(scroll_, 1);
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
    // The panel is the frame size plus a one-pixel border each way; a working
    // picture of another size (none yet, or one being built) widens it.
    QSize size = child_.pictureArea();
    if (!child_.picture().isNull())
        size = size.expandedTo(child_.picture().size());
    panel_->setFixedSize(size + QSize(2, 2));
}

} // namespace orugif

#include "tools/dialogs/anime.h"

#include "gif/compose.h"
#include "gif/gifimage.h"
#include "gif/painter.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>

namespace orugif {

namespace {

QIcon playIcon(bool pause)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(pause ? QColor(0xc0, 0x30, 0x20) : QColor(0x1a, 0x9a, 0x3a));
    if (pause) {
        painter.drawRect(3, 2, 4, 12);
        painter.drawRect(9, 2, 4, 12);
    } else {
        const QPointF triangle[] = {{3, 2}, {14, 8}, {3, 14}};
        painter.drawPolygon(triangle, 3);
    }
    return QIcon(pixmap);
}

} // namespace

TAnime::TAnime(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                          | Qt::WindowTitleHint),
      image_(std::make_unique<gif::TGIFImage>())
{
    setObjectName(QStringLiteral("Anime"));
    setWindowTitle(QStringLiteral("Anime"));
    // Frames are drawn straight onto the picture control.
    image_->SetDrawOptions(image_->DrawOptions() | gif::goDirectDraw);

    panel_ = new QWidget(this);
    panel_->setObjectName(QStringLiteral("Panel1"));
    panel_->setGeometry(0, 0, 487, 33);
    resume_ = new QToolButton(panel_);
    resume_->setObjectName(QStringLiteral("SpeedButton1"));
    resume_->setToolTip(QStringLiteral("Marche"));
    resume_->setIcon(playIcon(false));
    resume_->setAutoRaise(true);
    resume_->setGeometry(8, 4, 25, 25);
    pause_ = new QToolButton(panel_);
    pause_->setObjectName(QStringLiteral("SpeedButton2"));
    pause_->setToolTip(QString::fromUtf8("Arrêt"));
    pause_->setIcon(playIcon(true));
    pause_->setAutoRaise(true);
    pause_->setGeometry(36, 4, 25, 25);
    label_ = new QLabel(panel_);
    label_->setObjectName(QStringLiteral("Label1"));
    label_->setGeometry(75, 8, 24, 17);
    close_ = new QPushButton(QStringLiteral("Fermer"), panel_);
    close_->setObjectName(QStringLiteral("Button1"));
    close_->setGeometry(397, 4, 75, 25);
    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("Image10"));
    picture_->move(0, 35);

    connect(resume_, &QToolButton::clicked, this, &TAnime::SpeedButton1Click);
    connect(pause_, &QToolButton::clicked, this, &TAnime::SpeedButton2Click);
    connect(close_, &QPushButton::clicked, this, &QDialog::close);
    setFixedSize(487, 343);
}

TAnime::~TAnime() { stopPainter(); }

void TAnime::Init(const std::vector<QImage>& frames, const AnimationSettings& settings,
                  const std::function<void(int, int)>& progress)
{
    stopPainter();
    addFrames(*image_, frames, settings, progress);
    const QSize frame = frames.empty() ? QSize(0, 0) : frames.front().size();
    picture_->resize(frame);
    const int width = std::max(frame.width() + 50, 250);
    setFixedSize(width, frame.height() + 85);
    panel_->resize(width, 33);
}

void TAnime::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    close_->move(width() - 90, close_->y());
    picture_->move((width() - picture_->width()) / 2, (height() - picture_->height() - 35) / 2 + 35);
    if (image_->Empty() || painter_)
        return;
    // A still picture shows its only frame; an animation gets a painter.
    if (image_->Images().Count() == 1) {
        picture_->setPixmap(QPixmap::fromImage(gif::ComposeFrames(*image_).front()));
        playing_ = true;
        return;
    }
    gif::TGIFPainter::Events events;
    events.startPaint = [this](gif::TGIFPainter&) { OnStartPaint(); };
    events.loop = [this](gif::TGIFPainter&) { OnStartPaint(); };
    events.paint = [this](gif::TGIFPainter&) { OnPaint(); };
    painter_ = std::make_unique<gif::TGIFPainter>(
        *image_, picture_->size(), image_->DrawOptions(), events,
        [this](const QImage& shown) { picture_->setPixmap(QPixmap::fromImage(shown)); },
        [this](const std::function<void()>& call) {
            QMetaObject::invokeMethod(this, call, Qt::BlockingQueuedConnection);
        });
    painter_->Start();
    playing_ = true;
}

void TAnime::OnStartPaint()
{
    counter_ = 1;
    label_->setText(QStringLiteral("1"));
}

void TAnime::OnPaint()
{
    ++counter_;
    label_->setText(QString::number(counter_));
}

void TAnime::SpeedButton2Click()
{
    if (!playing_)
        return;
    if (painter_)
        painter_->Pause();
    playing_ = false;
}

void TAnime::SpeedButton1Click()
{
    if (playing_)
        return;
    if (painter_)
        painter_->Resume();
    playing_ = true;
}

void TAnime::stopPainter()
{
    if (painter_) {
        painter_->Stop();
        painter_.reset();
    }
}

void TAnime::closeEvent(QCloseEvent* event)
{
    stopPainter();
    image_->ClearAll();
    picture_->clear();
    QDialog::closeEvent(event);
}

void TAnime::done(int result)
{
    // Escape and every other way out end the painter at once too.
    stopPainter();
    QDialog::done(result);
}

} // namespace orugif

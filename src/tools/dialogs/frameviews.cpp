#include "tools/dialogs/frameviews.h"

#include "editing/dialogs/confirmbuttons.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace orugif {

TListe::TListe(int frameCount, QWidget* parent) : QDialog(parent), list_(frameCount)
{
    setObjectName(QStringLiteral("Liste"));
    setWindowTitle(QStringLiteral("Liste des cadres"));
    box_ = new QListWidget(this);
    box_->setObjectName(QStringLiteral("ListBox1"));
    box_->installEventFilter(this);

    const auto tool = [this](const char* name, const char* hint, QStyle::StandardPixmap icon) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(QString::fromUtf8(hint));
        b->setIcon(style()->standardIcon(icon));
        b->setAutoRaise(true);
        return b;
    };
    QToolButton* up = tool("SpeedButton3", "Monter", QStyle::SP_ArrowUp);
    QToolButton* down = tool("SpeedButton1", "Descendre", QStyle::SP_ArrowDown);
    QToolButton* remove = tool("SpeedButton2", "Supprimer cadre", QStyle::SP_TrashIcon);
    connect(up, &QToolButton::clicked, this, &TListe::SpeedButton3Click);
    connect(down, &QToolButton::clicked, this, &TListe::SpeedButton1Click);
    connect(remove, &QToolButton::clicked, this, &TListe::SpeedButton2Click);

    auto* tools = new QVBoxLayout;
    tools->addWidget(up);
    tools->addWidget(down);
    tools->addWidget(remove);
    tools->addStretch();
    auto* body = new QHBoxLayout;
    body->addWidget(box_);
    body->addLayout(tools);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addLayout(addConfirmButtons(this, accepted_).row);
    show(-1);
}

void TListe::show(int selected)
{
    box_->clear();
    box_->addItems(list_.entries());
    box_->setCurrentRow(selected);
}

void TListe::SpeedButton3Click() { show(list_.moveUp(box_->currentRow())); }
void TListe::SpeedButton1Click() { show(list_.moveDown(box_->currentRow())); }
void TListe::SpeedButton2Click() { show(list_.remove(box_->currentRow())); }

bool TListe::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == box_ && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        SpeedButton2Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

int TListe::exec()
{
    accepted_ = false;
    return QDialog::exec();
}

std::vector<int> TListe::Result() const
{
    return accepted_ ? tools::frameOrder(list_.entries()) : std::vector<int>{};
}

namespace {

// The page buttons: the tool bar's navigation pictures.
QToolButton* pageButton(QWidget* parent, const char* name, const char* icon, const char* hint)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QString::fromLatin1(icon))));
    b->setToolTip(QString::fromUtf8(hint));
    b->setAutoRaise(true);
    b->setFixedSize(25, 25);
    return b;
}

// `frame` as slot `fit` shows it: scaled smoothly to the control when
// stretched, otherwise centred at its own size and cut.
QPixmap slotPicture(const QImage& frame, const tools::SlotFit& fit)
{
    if (fit.stretched)
        return QPixmap::fromImage(
            frame.scaled(fit.control.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    QImage shown(fit.control.size(), QImage::Format_ARGB32_Premultiplied);
    shown.fill(Qt::transparent);
    QPainter painter(&shown);
    painter.drawImage((shown.width() - frame.width()) / 2, (shown.height() - frame.height()) / 2, frame);
    painter.end();
    return QPixmap::fromImage(shown);
}

} // namespace

TVignettes::TVignettes(const std::vector<QImage>& frames, QWidget* parent)
    : QDialog(parent), frames_(frames), pages_(int(frames.size()))
{
    setObjectName(QStringLiteral("Vignettes"));
    setWindowTitle(QStringLiteral("Parcourir"));
    setFixedSize(658, 443);

    auto* band = new QFrame(this);
    band->setObjectName(QStringLiteral("Panel1"));
    band->setGeometry(0, 0, 658, 33);
    auto* bandLayout = new QHBoxLayout(band);
    bandLayout->setContentsMargins(4, 2, 4, 2);
    QToolButton* first = pageButton(band, "SpeedButton1", "premier", "Première page");
    QToolButton* previous = pageButton(band, "SpeedButton2", "precedent", "Page précédente");
    QToolButton* next = pageButton(band, "SpeedButton3", "suivant", "Page suivante");
    QToolButton* last = pageButton(band, "SpeedButton4", "dernier", "Dernière page");
    auto* close = new QPushButton(QStringLiteral("Fermer"), band);
    close->setObjectName(QStringLiteral("Button1"));
    for (QWidget* w : std::initializer_list<QWidget*>{first, previous, next, last})
        bandLayout->addWidget(w);
    bandLayout->addStretch();
    bandLayout->addWidget(close);
    connect(first, &QToolButton::clicked, this, [this] { move(&tools::ThumbnailPages::firstPage); });
    connect(previous, &QToolButton::clicked, this, [this] { move(&tools::ThumbnailPages::previous); });
    connect(next, &QToolButton::clicked, this, [this] { move(&tools::ThumbnailPages::next); });
    connect(last, &QToolButton::clicked, this, [this] { move(&tools::ThumbnailPages::lastPage); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    const int lefts[] = {2, 166, 330, 494}, tops[] = {36, 172, 306};
    for (int k = 0; k < tools::ThumbnailPages::kSlots; ++k) {
        auto* slot = new QFrame(this);
        slot->setObjectName(QStringLiteral("Panel%1").arg(k + 2));
        slot->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        slot->setGeometry(lefts[k % 4], tops[k / 4], 160, 130);
        images_[k] = new QLabel(slot);
        images_[k]->setObjectName(QStringLiteral("Image%1").arg(k + 1));
        images_[k]->installEventFilter(this);
        labels_[k] = new QLabel(slot);
        labels_[k]->setObjectName(QStringLiteral("Label%1").arg(k + 1));
        labels_[k]->setAlignment(Qt::AlignCenter);
        labels_[k]->setGeometry(0, 130 - 16, 160, 16);
    }
    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
    Affiche();
}

void TVignettes::Affiche()
{
    // Only the twelve frames shown are scaled.
    for (int k = 0; k < tools::ThumbnailPages::kSlots; ++k) {
        const int frame = pages_.frameInSlot(k);
        images_[k]->clear();
        labels_[k]->clear();
        if (frame < 0)
            continue;
        const QImage& picture = frames_[std::size_t(frame)];
        const tools::SlotFit fit = tools::Echelle(picture.size());
        images_[k]->setGeometry(fit.control);
        images_[k]->setPixmap(slotPicture(picture, fit));
        labels_[k]->setText(QStringLiteral("Cadre %1").arg(frame + 1));
    }
}

void TVignettes::move(void (tools::ThumbnailPages::*step)())
{
    (pages_.*step)();
    Affiche();
}

bool TVignettes::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_PageDown || key == Qt::Key_PageUp) {
            move(key == Qt::Key_PageDown ? &tools::ThumbnailPages::next : &tools::ThumbnailPages::previous);
            return true;
        }
    } else if (event->type() == QEvent::MouseButtonDblClick) {
        for (int k = 0; k < tools::ThumbnailPages::kSlots; ++k)
            if (watched == images_[k] && pages_.select(k)) {
                accept();
                return true;
            }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace orugif

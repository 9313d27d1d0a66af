#include "editing/dialogs/transitiondialog.h"

#include "editing/dialogs/confirmbuttons.h"
#include "editing/transitions.h"

#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace orugif {

TransitionDialog::TransitionDialog(bool after, QWidget* parent) : QDialog(parent)
{
    setObjectName(after ? QStringLiteral("Apres") : QStringLiteral("Avant"));
    setWindowTitle(after ? QString::fromUtf8("Transition après l'image") : QStringLiteral("Transition avant l'image"));

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFixedSize(137, 113);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* image = new QLabel(panel);
    image->setObjectName(QStringLiteral("Image1"));
    image->setScaledContents(true);
    preview_ = image;

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("ListBox1"));
    list_->addItems(editing::transitionNames());
    list_->setCurrentRow(-1);

    count_ = new QSpinBox(this);
    count_->setObjectName(QStringLiteral("SpinEdit1"));
    count_->setRange(0, editing::kMaxTransitionFrames);
    count_->setValue(4);

    const ConfirmButtons buttons = addConfirmButtons(this, confirmed_);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Nombre de cadres"), count_);
    auto* left = new QVBoxLayout;
    left->addWidget(panel);
    left->addLayout(form);
    auto* right = new QVBoxLayout;
    right->addWidget(list_);
    right->addLayout(buttons.row);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right);
}

void TransitionDialog::Init(const QImage& picture)
{
    confirmed_ = false;
    auto* image = static_cast<QLabel*>(preview_);
    const QRect box = editing::transitionPreviewRect(picture.size());
    image->setGeometry(box);
    image->setPixmap(QPixmap::fromImage(picture.scaled(box.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation)));
}

void TransitionDialog::Result(int& count, int& kind) const
{
    kind = -1;
    count = 0;
    if (!confirmed_)
        return;
    count = count_->value();
    kind = list_->currentItem() && list_->currentItem()->isSelected() ? list_->currentRow() : -1;
}

} // namespace orugif

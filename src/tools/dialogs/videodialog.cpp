#include "tools/dialogs/videodialog.h"

#include "editing/dialogs/confirmbuttons.h"
#include "tools/videooptions.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <limits>

namespace orugif {

namespace {

// A spin box holds an int: positions beyond it are shown at its end.
int spinValue(std::int64_t position)
{
    return int(std::clamp<std::int64_t>(position, 0, std::numeric_limits<int>::max()));
}

} // namespace

TOptAvi::TOptAvi(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("OptAvi"));
    setWindowTitle(QString::fromUtf8("Options d'importation AVI"));
    auto* group = new QGroupBox(QString::fromUtf8("Images à importer"), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    all_ = new QRadioButton(QStringLiteral("Toutes les images"), group);
    all_->setObjectName(QStringLiteral("RadioButton1"));
    all_->setChecked(true);
    range_ = new QRadioButton(QStringLiteral("Images de"), group);
    range_->setObjectName(QStringLiteral("RadioButton2"));
    from_ = new QSpinBox(group);
    from_->setObjectName(QStringLiteral("SpinEdit1"));
    auto* to = new QLabel(QString::fromUtf8("à"), group);
    to->setObjectName(QStringLiteral("Label1"));
    to_ = new QSpinBox(group);
    to_->setObjectName(QStringLiteral("SpinEdit2"));
    // The range fields matter only with "Images de".
    for (QSpinBox* field : {from_, to_}) {
        field->setEnabled(false);
        connect(range_, &QRadioButton::toggled, field, &QWidget::setEnabled);
    }
    auto* rangeRow = new QHBoxLayout;
    rangeRow->addWidget(range_);
    rangeRow->addWidget(from_);
    rangeRow->addWidget(to);
    rangeRow->addWidget(to_);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(all_);
    groupLayout->addLayout(rangeRow);

    width_ = new QSpinBox(this);
    width_->setObjectName(QStringLiteral("SpinEdit3"));
    width_->setSuffix(QStringLiteral(" pixels"));
    height_ = new QLabel(this);
    height_->setObjectName(QStringLiteral("Label3"));
    connect(width_, &QSpinBox::valueChanged, this, &TOptAvi::showHeight);
    auto* form = new QFormLayout;
    auto* widthLabel = new QLabel(QStringLiteral("Largeur"), this);
    widthLabel->setObjectName(QStringLiteral("Label2"));
    form->addRow(widthLabel, width_);
    form->addRow(QString(), height_);
    rate_ = new QComboBox(this);
    rate_->setObjectName(QStringLiteral("ComboBox1"));
    auto* rateLabel = new QLabel(QStringLiteral("Images par &seconde"), this);
    rateLabel->setObjectName(QStringLiteral("Label5"));
    rateLabel->setBuddy(rate_);
    form->addRow(rateLabel, rate_);

    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("Label4"));
    summary_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(group);
    layout->addLayout(form);
    layout->addLayout(addConfirmButtons(this, accepted_).row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TOptAvi::Init(std::int64_t first, std::int64_t last, QSize size)
{
    first_ = first;
    last_ = last;
    size_ = size;
    for (QSpinBox* field : {from_, to_})
        field->setRange(spinValue(first), spinValue(std::max(first, last)));
    from_->setValue(spinValue(first));
    to_->setValue(spinValue(last));
    width_->setRange(1, std::max(size.width(), 1));
    width_->setValue(std::max(size.width(), 1));
    all_->setChecked(true);
    // The source's own rate first, then fewer frames a second.
    rate_->clear();
    rate_->addItem(QStringLiteral("Celle de la vidéo"), 0.0);
    for (double rate : tools::videoRates())
        rate_->addItem(tools::rateText(rate), rate);
    rate_->setCurrentIndex(0);
    showHeight();
}

void TOptAvi::Init(const formats::VideoInfo& info)
{
    Init(0, info.frames - 1, info.size);
    if (info.rate > 0)
        rate_->setItemText(0, QStringLiteral("Celle de la vidéo (%1)").arg(tools::rateText(info.rate)));
    summary_->setText(tools::videoSummary(info));
    summary_->show();
}

void TOptAvi::showHeight()
{
    height_->setText(QStringLiteral("Hauteur : %1 pixels").arg(tools::videoHeightFor(width_->value(), size_)));
}

int TOptAvi::exec()
{
    accepted_ = false;
    return QDialog::exec();
}

DocumentPrompts::VideoChoice TOptAvi::Result() const
{
    if (!accepted_)
        return {};
    DocumentPrompts::VideoChoice choice =
        tools::videoChoice(all_->isChecked(), first_, last_, from_->value(), to_->value(), width_->value(), size_);
    choice.fps = rate_->currentData().toDouble();
    return choice;
}

} // namespace orugif

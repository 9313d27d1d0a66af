#include "tools/dialogs/animationdialog.h"

#include "common/error.h"
#include "editing/dialogs/confirmbuttons.h"
#include "tools/optimisation.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace orugif {

TOptAnimation::TOptAnimation(const formats::AnimationOptions& options, Estimate estimate, QWidget* parent)
    : QDialog(parent), options_(options), estimate_(std::move(estimate))
{
    setObjectName(QStringLiteral("OptAnimation"));
    setWindowTitle(QString::fromUtf8("Exporter en vidéo ou image animée"));
    const formats::AnimationFormat format = options.format;
    auto* name = new QLabel(QStringLiteral("Format : %1").arg(formats::animationFormatName(format)), this);
    name->setObjectName(QStringLiteral("Label1"));

    quality_ = new QSpinBox(this);
    quality_->setObjectName(QStringLiteral("SpinEdit1"));
    quality_->setRange(0, formats::maximumQuality(format));
    quality_->setValue(options.quality >= 0 ? std::min(options.quality, formats::maximumQuality(format))
                                            : formats::defaultQuality(format));
    lossless_ = new QCheckBox(QStringLiteral("&Sans perte"), this);
    lossless_->setObjectName(QStringLiteral("CheckBox1"));
    lossless_->setChecked(options.lossless);
    connect(lossless_, &QCheckBox::toggled, quality_, [this](bool on) { quality_->setEnabled(!on); });
    quality_->setEnabled(!options.lossless);

    auto* form = new QFormLayout;
    form->addRow(name);
    const bool rateFactor = format == formats::AnimationFormat::Mp4 || format == formats::AnimationFormat::WebM;
    auto* qualityLabel = new QLabel(rateFactor ? QString::fromUtf8("&Qualité (CRF, plus bas = meilleur)")
                                               : QString::fromUtf8("&Qualité (0 à 100)"),
                                    this);
    qualityLabel->setObjectName(QStringLiteral("Label2"));
    qualityLabel->setBuddy(quality_);
    form->addRow(qualityLabel, quality_);
    form->addRow(lossless_);
    // PNG is always exact; only WebP chooses between exact and lossy.
    qualityLabel->setVisible(format != formats::AnimationFormat::Apng);
    quality_->setVisible(format != formats::AnimationFormat::Apng);
    lossless_->setVisible(format == formats::AnimationFormat::WebP);

    auto* measure = new QPushButton(QStringLiteral("&Estimer la taille"), this);
    measure->setObjectName(QStringLiteral("Button3"));
    size_ = new QLabel(QStringLiteral("Taille : …"), this);
    size_->setObjectName(QStringLiteral("Label3"));
    connect(measure, &QPushButton::clicked, this, &TOptAnimation::showEstimate);
    form->addRow(measure, size_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(addConfirmButtons(this, accepted_).row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

formats::AnimationOptions TOptAnimation::Result() const
{
    formats::AnimationOptions chosen = options_;
    if (options_.format != formats::AnimationFormat::Apng)
        chosen.quality = quality_->value();
    chosen.lossless = options_.format == formats::AnimationFormat::WebP && lossless_->isChecked();
    return chosen;
}

int TOptAnimation::exec()
{
    accepted_ = false;
    return QDialog::exec();
}

void TOptAnimation::showEstimate()
{
    if (!estimate_)
        return;
    try {
        size_->setText(QStringLiteral("Taille : %1 octets").arg(tools::groupedDigits(estimate_(Result()))));
    } catch (const std::exception& e) {
        size_->setText(messageOf(e));
    }
}

} // namespace orugif

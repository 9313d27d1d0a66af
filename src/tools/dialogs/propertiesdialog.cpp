#include "tools/dialogs/propertiesdialog.h"

#include "editing/dialogs/confirmbuttons.h"
#include "tools/properties.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <tuple>

namespace orugif {


TParametres::TParametres(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Parametres"));
    setWindowTitle(QString::fromUtf8("Propriétés"));
    version_ = new QLabel(QStringLiteral("Version"), this);
    version_->setObjectName(QStringLiteral("Label3"));
    repeat_ = new QLineEdit(this);
    repeat_->setObjectName(QStringLiteral("SpinEdit1"));
    delay_ = new QLineEdit(this);
    delay_->setObjectName(QStringLiteral("SpinEdit2"));
    for (QLineEdit* field : {repeat_, delay_})
        field->setValidator(new QIntValidator(field));
    transparent_ = new QCheckBox(QStringLiteral("Fond transparent"), this);
    transparent_->setObjectName(QStringLiteral("CheckBox1"));

    auto* form = new QFormLayout;
    auto* label1 = new QLabel(QString::fromUtf8("Nombre de répétiitons (0 = en continu"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    auto* label2 = new QLabel(QString::fromUtf8("Durée d'apparition de l'image (en 1/100 sec)"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    form->addRow(label1, repeat_);
    form->addRow(label2, delay_);
    // A new delay replaces the delay each frame may have of its own.
    auto* label4 = new QLabel(QString::fromUtf8("Appliquée à tous les cadres"), this);
    label4->setObjectName(QStringLiteral("Label4"));
    form->addRow(QString(), label4);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(version_);
    layout->addLayout(form);
    layout->addWidget(transparent_);
    // OK keeps the dialog open on a value the file cannot hold, naming the field.
    const auto fieldsFit = [this] {
        const std::tuple<const char*, QLineEdit*, int> fields[] = {{"Nombre de répétitions", repeat_, -1},
                                                                   {"Durée d'apparition", delay_, 0}};
        for (const auto& [label, field, minimum] : fields) {
            const QString error = tools::fieldRangeError(QString::fromUtf8(label), field->text(), minimum);
            if (!error.isEmpty()) {
                QMessageBox::warning(this, windowTitle(), error);
                field->setFocus();
                field->selectAll();
                return false;
            }
        }
        return true;
    };
    layout->addLayout(addConfirmButtons(this, accepted_, "Button1", "Button2", fieldsFit).row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TParametres::Init(int repeatCount, int frameDelay, int gifVersion, bool transparent)
{
    repeat_->setText(QString::number(repeatCount));
    delay_->setText(QString::number(frameDelay));
    transparent_->setChecked(transparent);
    version_->setText(tools::versionText(gifVersion));
}

int TParametres::exec()
{
    accepted_ = false;
    return QDialog::exec();
}

void TParametres::Result(int& repeatCount, int& frameDelay, bool& transparent) const
{
    if (!accepted_)
        return;
    repeatCount = tools::fieldNumber(repeat_->text());
    frameDelay = tools::fieldNumber(delay_->text());
    transparent = transparent_->isChecked();
}

TOptimum::TOptimum(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Optimum"));
    setWindowTitle(QStringLiteral("Optimisation"));
    const char* captions[] = {"Supprimer paletes locales", "Fusionner pixels dupliqués",
                              "Supprimer les cadres inutiles"};
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < 3; ++i) {
        boxes_[i] = new QCheckBox(QString::fromUtf8(captions[i]), this);
        boxes_[i]->setObjectName(QStringLiteral("CheckBox%1").arg(i + 1));
        layout->addWidget(boxes_[i]);
        connect(boxes_[i], &QCheckBox::toggled, this, [this] { optionsChanged(); });
    }
    auto* form = new QFormLayout;
    reduction_ = new QComboBox(this);
    reduction_->setObjectName(QStringLiteral("ComboBox1"));
    for (const tools::Reduction& r : tools::reductions())
        reduction_->addItem(QString::fromUtf8(r.caption), r.method);
    form->addRow(QStringLiteral("Couleurs"), reduction_);
    // Only the chosen palette takes a bit count: the others have their own.
    bits_ = new QSpinBox(this);
    bits_->setObjectName(QStringLiteral("SpinEdit1"));
    bits_->setRange(1, 8);
    bits_->setValue(8);
    bits_->setSuffix(QStringLiteral(" bits"));
    bits_->setEnabled(false);
    form->addRow(QStringLiteral("Palette"), bits_);
    dither_ = new QComboBox(this);
    dither_->setObjectName(QStringLiteral("ComboBox2"));
    dither_->addItems(tools::ditherCaptions());
    form->addRow(QStringLiteral("Tramage"), dither_);
    // 0 codes every pixel exactly; above, the largest difference of one
    // channel the LZW coder may accept to make its strings longer.
    lossy_ = new QSpinBox(this);
    lossy_->setObjectName(QStringLiteral("SpinEdit2"));
    lossy_->setRange(0, AnimationSettings::kMaxLossy);
    lossy_->setValue(0);
    form->addRow(QStringLiteral("Compression avec pertes"), lossy_);
    layout->addLayout(form);
    size_ = new QLabel(this);
    size_->setObjectName(QStringLiteral("Label1"));
    layout->addWidget(size_);
    connect(reduction_, &QComboBox::currentIndexChanged, this, [this] {
        bits_->setEnabled(method() == 7);
        if (method() != 7)
            bits_->setValue(8);
        optionsChanged();
    });
    connect(bits_, &QSpinBox::valueChanged, this, [this] { optionsChanged(); });
    connect(dither_, &QComboBox::currentIndexChanged, this, [this] { optionsChanged(); });
    connect(lossy_, &QSpinBox::valueChanged, this, [this] { optionsChanged(); });
    layout->addLayout(addConfirmButtons(this, accepted_).row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

TOptimum::~TOptimum() = default;

void TOptimum::Init(bool removeLocalPalettes, bool mergeDuplicatePixels, bool removeUselessFrames)
{
    boxes_[0]->setChecked(removeLocalPalettes);
    boxes_[1]->setChecked(mergeDuplicatePixels);
    boxes_[2]->setChecked(removeUselessFrames);
}

int TOptimum::method() const { return reduction_->currentData().toInt(); }

void TOptimum::InitReduction(int method, int bits, int dither)
{
    const int at = reduction_->findData(method);
    reduction_->setCurrentIndex(at < 0 ? 0 : at);
    bits_->setValue(this->method() == 7 ? std::clamp(bits, 1, 8) : 8);
    dither_->setCurrentIndex(std::clamp(dither, 0, 6));
}

void TOptimum::ResultReduction(int& method, int& bits, int& dither) const
{
    if (!accepted_)
        return;
    method = this->method();
    bits = bits_->value();
    dither = dither_->currentIndex();
}

void TOptimum::InitLossy(int tolerance)
{
    lossy_->setValue(std::clamp(tolerance, 0, AnimationSettings::kMaxLossy));
}

void TOptimum::ResultLossy(int& tolerance) const
{
    if (accepted_)
        tolerance = lossy_->value();
}

void TOptimum::EstimateFor(std::vector<QImage> frames, AnimationSettings settings)
{
    frames_ = std::move(frames);
    settings_ = std::move(settings);
    estimating_ = true;
    if (!estimator_)
        estimator_ = std::make_unique<tools::SizeEstimator>();
    optionsChanged();
}

void TOptimum::optionsChanged()
{
    if (!estimating_)
        return;
    AnimationSettings s = settings_;
    s.RemoveLocalPalettes = boxes_[0]->isChecked();
    s.MergeDuplicatePixels = boxes_[1]->isChecked();
    s.RemoveUselessFrames = boxes_[2]->isChecked();
    s.ColorReduction = method();
    s.ReductionBits = bits_->value();
    s.DitherMode = dither_->currentIndex();
    s.LossyTolerance = lossy_->value();
    const int generation = ++generation_;
    size_->setText(QStringLiteral("Taille estimée : …"));
    if (frames_.empty()) {
        size_->setText(QStringLiteral("Taille estimée : aucun cadre"));
        return;
    }
    // A long estimate (merging hundreds of frames) shows how far it is.
    estimator_->start(
        frames_, s,
        [this, generation](std::int64_t size) {
            QMetaObject::invokeMethod(this, [this, size, generation] { showSize(size, generation); },
                                      Qt::QueuedConnection);
        },
        [this, generation](int percent) {
            QMetaObject::invokeMethod(
                this,
                [this, percent, generation] {
                    if (generation == generation_ && size_->text().contains(QChar(0x2026)))
                        size_->setText(QStringLiteral("Taille estimée : … %1 %").arg(percent));
                },
                Qt::QueuedConnection);
        });
}

void TOptimum::showSize(std::int64_t size, int generation)
{
    if (generation == generation_)
        size_->setText(QStringLiteral("Taille estimée : %1 octets").arg(tools::groupedDigits(size)));
}

int TOptimum::exec()
{
    accepted_ = false;
    return QDialog::exec();
}

void TOptimum::Result(bool& removeLocalPalettes, bool& mergeDuplicatePixels, bool& removeUselessFrames) const
{
    if (!accepted_)
        return;
    removeLocalPalettes = boxes_[0]->isChecked();
    mergeDuplicatePixels = boxes_[1]->isChecked();
    removeUselessFrames = boxes_[2]->isChecked();
}

} // namespace orugif

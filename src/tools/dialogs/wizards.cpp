#include "tools/dialogs/wizards.h"

#include "editing/dialogs/textdialog.h"
#include "tools/properties.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace orugif {

namespace {

QLineEdit* numberField(QWidget* parent, const char* name, int value)
{
    auto* field = new QLineEdit(QString::number(value), parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setValidator(new QIntValidator(field));
    return field;
}

QLabel* label(QWidget* parent, const char* name, const char* caption)
{
    auto* l = new QLabel(QString::fromUtf8(caption), parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

QPushButton* button(QWidget* parent, const char* name, const char* caption)
{
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

WizardPages::WizardPages(const char* name, const QStringList& sizeModes, QSize defaultSize, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QString::fromLatin1(name));
    setWindowTitle(QStringLiteral("Assistant d'animation"));
    pages_ = new QTabWidget(this);

    auto* sizePage = new QWidget;
    sizePage->setObjectName(QStringLiteral("TabSheet1"));
    auto* group = new QGroupBox(sizePage);
    group->setObjectName(QStringLiteral("RadioGroup1"));
    sizeMode_ = new QButtonGroup(this);
    auto* groupLayout = new QVBoxLayout(group);
    for (int i = 0; i < sizeModes.size(); ++i) {
        auto* radio = new QRadioButton(sizeModes[i], group);
        sizeMode_->addButton(radio, i);
        groupLayout->addWidget(radio);
    }
    sizeMode_->button(0)->setChecked(true);
    width_ = numberField(sizePage, "SpinEdit1", defaultSize.width());
    height_ = numberField(sizePage, "SpinEdit2", defaultSize.height());
    // The size fields count only for the given size.
    for (QLineEdit* f : {width_, height_})
        f->setEnabled(false);
    connect(sizeMode_, &QButtonGroup::idClicked, this, [this](int mode) {
        width_->setEnabled(mode != 0);
        height_->setEnabled(mode != 0);
    });
    transparent_ = new QCheckBox(QStringLiteral("Fond transparent"), sizePage);
    transparent_->setObjectName(QStringLiteral("CheckBox1"));
    auto* sizeForm = new QFormLayout;
    sizeForm->addRow(label(sizePage, "Label1", "Largeur"), width_);
    sizeForm->addRow(label(sizePage, "Label2", "Hauteur"), height_);
    auto* sizeLayout = new QVBoxLayout(sizePage);
    sizeLayout->addWidget(group);
    sizeLayout->addLayout(sizeForm);
    sizeLayout->addWidget(transparent_);
    sizeLayout->addStretch();
    pages_->addTab(sizePage, QString::fromUtf8("Caractéristiques"));

    animationPage_ = new QWidget;
    animationPage_->setObjectName(QStringLiteral("TabSheet2"));
    repeat_ = numberField(animationPage_, "SpinEdit3", 0);
    delay_ = numberField(animationPage_, "SpinEdit4", 10);
    auto* animationForm = new QFormLayout(animationPage_);
    animationForm->addRow(label(animationPage_, "Label3", "Nombre de répétitions (0 : en boucle continue"), repeat_);
    animationForm->addRow(label(animationPage_, "Label4", "Durée d'affichage de chaque image (1/100 sec"), delay_);
    pages_->addTab(animationPage_, QStringLiteral("Animation"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
}

QLayout* WizardPages::terminerRow()
{
    auto* cancel = button(this, "SpeedButton3", "Annuler");
    auto* finish = button(this, "SpeedButton4", "Terminer");
    connect(cancel, &QPushButton::clicked, this, [this] {
        accepted_ = false;
        reject();
    });
    connect(finish, &QPushButton::clicked, this, [this] {
        accepted_ = true;
        accept();
    });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel);
    buttons->addWidget(finish);
    return buttons;
}

void WizardPages::finishPages(QWidget* third, const QString& caption, QLayout* buttons)
{
    third->setObjectName(QStringLiteral("TabSheet3"));
    pages_->addTab(third, caption);
    static_cast<QVBoxLayout*>(layout())->addLayout(buttons);
}

template <typename Result>
void WizardPages::readPages(Result& result) const
{
    result.sizeMode = sizeMode_->checkedId();
    result.width = tools::fieldNumber(width_->text());
    result.height = tools::fieldNumber(height_->text());
    result.transparent = transparent_->isChecked();
    result.repeatCount = tools::fieldNumber(repeat_->text());
    result.delay = tools::fieldNumber(delay_->text());
}

int WizardPages::exec()
{
    accepted_ = false;
    return QDialog::exec();
}

void WizardPages::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    pages_->setCurrentIndex(0);
}

TAssistant::TAssistant(std::function<QStringList()> chooseFiles, QWidget* parent)
    : WizardPages("Assistant", {QStringLiteral("Taille de la première image"), QString::fromUtf8("Taille prédéfinie")},
                  QSize(100, 100), parent),
      chooseFiles_(std::move(chooseFiles)), list_(QDir::currentPath())
{
    if (!chooseFiles_)
        chooseFiles_ = [this] {
            return QFileDialog::getOpenFileNames(this, QStringLiteral("Ajouter"), QDir::currentPath(),
                                                 QStringLiteral("Fichiers graphiques (*.bmp *.jpg *.jpe *.gif *.png *.pcx)"));
        };
    auto* page = new QWidget;
    box_ = new QListWidget(page);
    box_->setObjectName(QStringLiteral("ListBox1"));
    auto* add = button(page, "SpeedButton1", "Ajouter");
    auto* remove = button(page, "SpeedButton2", "Supprimer");
    connect(add, &QPushButton::clicked, this, &TAssistant::SpeedButton1Click);
    connect(remove, &QPushButton::clicked, this, &TAssistant::SpeedButton2Click);
    auto* side = new QVBoxLayout;
    side->addWidget(add);
    side->addWidget(remove);
    side->addStretch();
    fit_ = new QCheckBox(QStringLiteral("Ajuster les images à la taille des cadres"), page);
    fit_->setObjectName(QStringLiteral("CheckBox2"));
    fit_->setToolTip(QStringLiteral("Une image d'une autre taille est agrandie ou réduite pour tenir dans le cadre, "
                                    "sans déformation, au lieu d'être posée en haut à gauche"));
    auto* row = new QHBoxLayout;
    row->addWidget(box_);
    row->addLayout(side);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->addLayout(row);
    pageLayout->addWidget(fit_);
    finishPages(page, QStringLiteral("Images"), terminerRow());
}

void TAssistant::showEvent(QShowEvent* event)
{
    WizardPages::showEvent(event);
    // Names are shown relative to the folder current when the wizard shows.
    if (list_.files().isEmpty())
        list_ = tools::PictureList(QDir::currentPath());
}

void TAssistant::SpeedButton1Click()
{
    const QStringList chosen = chooseFiles_();
    if (chosen.isEmpty())
        return;
    list_.add(chosen);
    showList();
}

void TAssistant::SpeedButton2Click()
{
    list_.remove(box_->currentRow());
    showList();
}

void TAssistant::showList()
{
    box_->clear();
    box_->addItems(list_.shown());
}

AnimationWizardResult TAssistant::Result() const
{
    AnimationWizardResult result;
    if (!accepted_)
        return result;
    readPages(result);
    result.files = list_.files();
    result.fit = fit_->isChecked();
    return result;
}

TBanniere::TBanniere(std::function<editing::TextFont(const editing::TextFont&)> chooseFont, QWidget* parent)
    : WizardPages("Banniere", {QStringLiteral("Taille standard (468x60)"), QString::fromUtf8("Taille prédéfinie")},
                  QSize(468, 60), parent),
      chooseFont_(std::move(chooseFont)), font_(BannerWizardResult().font)
{
    if (!chooseFont_)
        // The text tool's font and colour dialogs: the banner's text takes
        // the font's colour.
        chooseFont_ = [this](const editing::TextFont& current) {
            editing::TextFont font = current;
            return askTextFont(this, font) ? font : current;
        };
    frames_ = numberField(animationPage_, "SpinEdit5", 10);
    static_cast<QFormLayout*>(animationPage_->layout())->addRow(label(animationPage_, "Label5", "Nombre de cadres"),
                                                                frames_);

    auto* page = new QWidget;
    memo_ = new QPlainTextEdit(page);
    memo_->setObjectName(QStringLiteral("Memo1"));
    memo_->setFont(font_.horizontal());
    auto* police = button(page, "SpeedButton1", "Police");
    connect(police, &QPushButton::clicked, this, [this] {
        font_ = chooseFont_(font_);
        memo_->setFont(font_.horizontal());
    });
    // A list that takes no typing: the effect is always one of the four.
    effect_ = new QComboBox(page);
    effect_->setObjectName(QStringLiteral("ComboBox1"));
    effect_->setEditable(false);
    effect_->addItems(editing::bannerEffects());
    effect_->setCurrentText(QString::fromUtf8("Défilement"));
    auto* effectRow = new QHBoxLayout;
    effectRow->addWidget(label(page, "Label6", "Effet"));
    effectRow->addWidget(effect_);
    effectRow->addStretch();
    effectRow->addWidget(police);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(memo_);
    pageLayout->addLayout(effectRow);
    finishPages(page, QStringLiteral("Texte"), terminerRow());
}

BannerWizardResult TBanniere::Result() const
{
    BannerWizardResult result;
    if (!accepted_)
        return result;
    readPages(result);
    result.frames = tools::fieldNumber(frames_->text());
    result.text = memo_->toPlainText();
    result.font = font_;
    result.effect = effect_->currentText();
    return result;
}

} // namespace orugif

#include "record/dialogs/recorddialog.h"

#include "record/dialogs/regionpicker.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>

namespace orugif::record {

namespace {

QSpinBox* spin(QWidget* parent, const char* name, int low, int high)
{
    auto* s = new QSpinBox(parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setRange(low, high);
    return s;
}

} // namespace

QRect pickOnScreen(ScreenSource& source, bool window, QWidget* parent, bool pointer)
{
    QString why;
    switch (source.share(pointer, false, &why)) {
    case ScreenSource::Sharing::Cancelled:
        return {};
    case ScreenSource::Sharing::Failed:
        QMessageBox::warning(parent, QString::fromUtf8("Enregistrer l'écran"), why);
        return {};
    case ScreenSource::Sharing::Ready:
        break;
    }
    QImage still;
    if (!source.grab(source.screenRect(), false, still))
        return {};
    RegionPicker* picker = nullptr;
    std::function<std::optional<QRect>(QPoint)> under;
    if (window)
        under = [&source, &picker](QPoint p) -> std::optional<QRect> {
            const auto found = source.windowAt(p, picker ? std::uint32_t(picker->winId()) : 0);
            return found ? std::optional<QRect>(found->second) : std::nullopt;
        };
    RegionPicker dialog(still, under, parent);
    picker = &dialog;
    dialog.showFullScreen();
    dialog.exec();
    return dialog.picked();
}

TEnregistrement::TEnregistrement(ScreenSource& source, Pick pick, QWidget* parent)
    : QDialog(parent), source_(source), pick_(std::move(pick))
{
    setObjectName(QStringLiteral("Enregistrement"));
    setWindowTitle(QString::fromUtf8("Enregistrer l'écran"));
    if (!pick_)
        pick_ = [this](bool window) { return pickOnScreen(source_, window, this, pointer_->isChecked()); };
    const ScreenTraits traits = source_.traits();

    auto* what = new QGroupBox(QStringLiteral("Que faut-il enregistrer ?"), this);
    whole_ = new QRadioButton(QString::fromUtf8("&Écran entier"), what);
    whole_->setObjectName(QStringLiteral("RadioButton1"));
    window_ = new QRadioButton(QString::fromUtf8("Une &fenêtre"), what);
    window_->setObjectName(QStringLiteral("RadioButton2"));
    region_ = new QRadioButton(QString::fromUtf8("Une &zone"), what);
    region_->setObjectName(QStringLiteral("RadioButton3"));
    auto* choose = choose_ = new QPushButton(QString::fromUtf8("&Choisir à l'écran..."), what);
    choose->setObjectName(QStringLiteral("Button3"));
    // Without windows found by place, "Une fenêtre" is the one the desktop's
    // chooser offers when the recording starts, or nothing at all.
    if (!traits.windowsByPlace) {
        window_->setEnabled(traits.sharesWindow);
        window_->setToolTip(traits.sharesWindow ? QString::fromUtf8("La fenêtre se choisit dans la fenêtre du bureau "
                                                                    "qui s'ouvre au début de l'enregistrement.")
                                                : traits.windowNote);
        connect(window_, &QRadioButton::toggled, choose, [choose](bool on) { choose->setEnabled(!on); });
    }
    const QRect screen = source_.screenRect();
    x_ = spin(what, "SpinEditX", 0, screen.width() - 1);
    y_ = spin(what, "SpinEditY", 0, screen.height() - 1);
    w_ = spin(what, "SpinEditW", 1, screen.width());
    h_ = spin(what, "SpinEditH", 1, screen.height());
    auto* grid = new QGridLayout(what);
    grid->addWidget(whole_, 0, 0, 1, 4);
    grid->addWidget(window_, 1, 0, 1, 4);
    grid->addWidget(region_, 2, 0, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("X"), what), 3, 0);
    grid->addWidget(x_, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("Y"), what), 3, 2);
    grid->addWidget(y_, 3, 3);
    grid->addWidget(new QLabel(QStringLiteral("Largeur"), what), 4, 0);
    grid->addWidget(w_, 4, 1);
    grid->addWidget(new QLabel(QStringLiteral("Hauteur"), what), 4, 2);
    grid->addWidget(h_, 4, 3);
    grid->addWidget(choose, 5, 0, 1, 4);
    connect(choose, &QPushButton::clicked, this, &TEnregistrement::choose);
    // Typing a rectangle makes it a region.
    for (QSpinBox* s : {x_, y_, w_, h_})
        connect(s, &QSpinBox::editingFinished, this, [this] {
            if (whole_->isChecked())
                region_->setChecked(true);
        });
    connect(whole_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            setRegion(source_.screenRect());
    });

    fps_ = spin(this, "SpinEdit1", 5, 30);
    fps_->setSuffix(QString::fromUtf8(" images par seconde"));
    pointer_ = new QCheckBox(QStringLiteral("Afficher le &pointeur de la souris"), this);
    pointer_->setObjectName(QStringLiteral("CheckBox1"));
    QString hintText = traits.globalKeys
                           ? QString::fromUtf8("Pendant l'enregistrement : Ctrl+Alt+P met en pause ou reprend, "
                                               "Ctrl+Alt+S arrête.")
                           : QString::fromUtf8("Ctrl+Alt+P et Ctrl+Alt+S ne sont pas disponibles dans cette session "
                                               "(Wayland) : « Pause » et « Arrêter » sont dans la petite fenêtre "
                                               "d'enregistrement, à garder hors de la zone enregistrée.");
    if (!traits.pointerNote.isEmpty()) {
        pointer_->setToolTip(traits.pointerNote);
        hintText += QLatin1Char(' ') + traits.pointerNote;
    }
    auto* hint = new QLabel(hintText, this);
    hint->setObjectName(QStringLiteral("Label1"));
    hint->setWordWrap(true);

    auto* start = new QPushButton(QStringLiteral("&Enregistrer"), this);
    start->setObjectName(QStringLiteral("Button2"));
    start->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Annuler"), this);
    cancel->setObjectName(QStringLiteral("Button1"));
    connect(start, &QPushButton::clicked, this, [this] {
        accepted_ = true;
        remember();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(start);
    buttons->addWidget(cancel);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Cadence"), fps_);
    form->addRow(pointer_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(what);
    layout->addLayout(form);
    layout->addWidget(hint);
    layout->addLayout(buttons);

    // The last choices, or the whole screen at 15 images a second.
    QSettings settings;
    settings.beginGroup(QStringLiteral("Enregistrement"));
    fps_->setValue(settings.value(QStringLiteral("fps"), 15).toInt());
    pointer_->setChecked(settings.value(QStringLiteral("pointer"), true).toBool());
    const QRect last = settings.value(QStringLiteral("region")).toRect();
    const int mode = settings.value(QStringLiteral("mode"), 0).toInt();
    setRegion(screen);
    if (mode == 2 && !last.intersected(screen).isEmpty()) {
        setRegion(last.intersected(screen));
        region_->setChecked(true);
    } else {
        whole_->setChecked(true);
    }
}

void TEnregistrement::setRegion(const QRect& r)
{
    x_->setValue(r.x());
    y_->setValue(r.y());
    w_->setValue(r.width());
    h_->setValue(r.height());
}

void TEnregistrement::choose()
{
    const bool window = window_->isChecked();
    hide();  // out of the way of the picker
    const QRect r = pick_(window);
    show();
    if (r.isEmpty())
        return;
    setRegion(r);
    if (!window)
        region_->setChecked(true);
}

TEnregistrement::Target TEnregistrement::target() const
{
    return whole_->isChecked() ? Target::Screen : window_->isChecked() ? Target::Window : Target::Region;
}

RecordOptions TEnregistrement::Result() const
{
    RecordOptions o;
    o.region = QRect(x_->value(), y_->value(), w_->value(), h_->value()).intersected(source_.screenRect());
    o.fps = fps_->value();
    o.pointer = pointer_->isChecked();
    return o;
}

void TEnregistrement::remember() const
{
    QSettings settings;
    settings.beginGroup(QStringLiteral("Enregistrement"));
    settings.setValue(QStringLiteral("fps"), fps_->value());
    settings.setValue(QStringLiteral("pointer"), pointer_->isChecked());
    settings.setValue(QStringLiteral("mode"), whole_->isChecked() ? 0 : window_->isChecked() ? 1 : 2);
    settings.setValue(QStringLiteral("region"), Result().region);
}

int TEnregistrement::exec()
{
    accepted_ = false;
    return QDialog::exec();
}

} // namespace orugif::record

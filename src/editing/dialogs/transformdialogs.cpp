#include "editing/dialogs/transformdialogs.h"

#include "common/error.h"
#include "editing/dialogs/confirmbuttons.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

namespace orugif {

namespace {

} // namespace

TRot::TRot(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Rot"));
    setWindowTitle(QStringLiteral("Rotation"));
    auto* group = new QGroupBox(QStringLiteral("Rotation de"), this);
    left_ = new QRadioButton(QStringLiteral("90° gauche"), group);
    left_->setObjectName(QStringLiteral("Gauche"));
    right_ = new QRadioButton(QStringLiteral("90° droite"), group);
    right_->setObjectName(QStringLiteral("Droite"));
    half_ = new QRadioButton(QStringLiteral("180°"), group);
    half_->setObjectName(QStringLiteral("DemiTour"));
    left_->setChecked(true);
    auto* choices = new QVBoxLayout(group);
    choices->addWidget(left_);
    choices->addWidget(right_);
    choices->addWidget(half_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(addConfirmButtons(this, confirmed_, "Annuler", "OK").row);
}

int TRot::exec()
{
    confirmed_ = false;  // cleared each time the dialog is shown
    return QDialog::exec();
}

int TRot::Result() const
{
    if (!confirmed_)
        return 0;
    return left_->isChecked() ? 1 : right_->isChecked() ? 2 : 3;
}

TDecaler::TDecaler(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Decaler"));
    setWindowTitle(QStringLiteral("Deplacer"));
    x_ = new QSpinBox(this);
    x_->setObjectName(QStringLiteral("SpinEdit1"));
    y_ = new QSpinBox(this);
    y_->setObjectName(QStringLiteral("SpinEdit2"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Décalage X"), x_);
    form->addRow(QStringLiteral("Décalage Y"), y_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(addConfirmButtons(this, confirmed_, "Annuler", "OK").row);
}

void TDecaler::Init(int width, int height)
{
    // A typed value beyond a limit cannot be entered; the fields start at 0.
    x_->setRange(-width, width);
    y_->setRange(-height, height);
    x_->setValue(0);
    y_->setValue(0);
    confirmed_ = false;
}

QPoint TDecaler::Result() const { return confirmed_ ? QPoint(x_->value(), y_->value()) : QPoint(0, 0); }

TRedim::TRedim(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Redim"));
    setWindowTitle(QStringLiteral("Redimensiooner"));
    width_ = new QLineEdit(this);
    width_->setObjectName(QStringLiteral("Edit1"));
    height_ = new QLineEdit(this);
    height_->setObjectName(QStringLiteral("Edit2"));
    keep_ = new QCheckBox(QStringLiteral("Garder les proportions"), this);
    keep_->setObjectName(QStringLiteral("CheckBox1"));
    keep_->setChecked(true);
    connect(keep_, &QCheckBox::toggled, this, [this](bool on) { logic_.keepProportions = on; });
    for (QLineEdit* field : {width_, height_}) {
        field->installEventFilter(this);
        // Typed keys are filtered below; pasted text must be digits too.
        field->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), field));
        connect(field, &QLineEdit::textEdited, this, [this, field](const QString& text) {
            (field == width_ ? logic_.width : logic_.height) = text;
        });
    }
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Largeur"), width_);
    form->addRow(QStringLiteral("Hauteur"), height_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(keep_);
    // OK goes through the field rules first; only a valid size confirms.
    const ConfirmButtons buttons = addConfirmButtons(this, logic_.confirmed, "Annuler", "OK");
    disconnect(buttons.ok, &QPushButton::clicked, nullptr, nullptr);
    connect(buttons.ok, &QPushButton::clicked, this, [this] { confirm(); });
    layout->addLayout(buttons.row);
}

void TRedim::Init(int width, int height)
{
    closing_ = false;
    logic_.Init(width, height);
    display(width_);
    display(height_);
}

void TRedim::display(QLineEdit* field) const { field->setText(field == width_ ? logic_.width : logic_.height); }

void TRedim::leave(QLineEdit* field)
{
    try {
        if (field == width_)
            logic_.leaveWidth();
        else
            logic_.leaveHeight();
    } catch (const Error& e) {
        QMessageBox::warning(this, windowTitle(), e.message());
    }
    display(width_);
    display(height_);
}

void TRedim::confirm()
{
    // Enter in a field counts as leaving it first; OK took the focus already.
    if (QWidget* focus = focusWidget(); focus == width_ || focus == height_)
        leave(static_cast<QLineEdit*>(focus));
    logic_.confirmed = true;
    try {
        logic_.Result();
    } catch (const Error& e) {
        // A field too large: say so and let the user correct it.
        logic_.confirmed = false;
        QMessageBox::warning(this, windowTitle(), e.message());
        return;
    }
    closing_ = true;
    accept();
}

bool TRedim::eventFilter(QObject* watched, QEvent* event)
{
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (field && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            confirm();
            return true;
        }
        // Ctrl+A, Ctrl+V, Ctrl+C and the other editing keys belong to the
        // field (a paste of anything but digits is refused by its validator).
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            return false;
        if (key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete || key->key() == Qt::Key_Left
            || key->key() == Qt::Key_Right || key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab
            || key->text().isEmpty())
            return false;
        return editing::RedimLogic::filterKey(key->text().front()) == editing::RedimLogic::Key::Discard;
    }
    // Leaving a field for another control recomputes the other field; losing
    // the focus to another window or while closing does not.
    if (field && event->type() == QEvent::FocusOut && !closing_ && isVisible()) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            leave(field);
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace orugif

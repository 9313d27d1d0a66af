#include "editing/dialogs/textdialog.h"

#include "editing/dialogs/confirmbuttons.h"

#include <QColorDialog>
#include <QFontDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <limits>

namespace orugif {

bool askTextFont(QWidget* parent, editing::TextFont& font)
{
    bool ok = false;
    QFont initial(font.family, font.pointSize);
    initial.setBold(font.bold);
    initial.setItalic(font.italic);
    initial.setUnderline(font.underline);
    initial.setStrikeOut(font.strikeOut);
    const QFont chosen = QFontDialog::getFont(&ok, initial, parent, QStringLiteral("Police"));
    if (!ok)
        return false;
    font.family = chosen.family();
    font.pointSize = chosen.pointSize() > 0 ? chosen.pointSize() : std::max(1, font.pointSize);
    font.bold = chosen.bold();
    font.italic = chosen.italic();
    font.underline = chosen.underline();
    font.strikeOut = chosen.strikeOut();
    const QColor colour = QColorDialog::getColor(toQColor(font.colour), parent, QStringLiteral("Couleur du texte"));
    if (colour.isValid())
        font.colour = fromQColor(colour);
    return true;
}

TEditext::TEditext(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Editext"));
    setWindowTitle(QStringLiteral("Editeur de texte"));
    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("Edit1"));
    angle_ = new QSpinBox(this);
    angle_->setObjectName(QStringLiteral("SpinEdit1"));
    angle_->setRange(std::numeric_limits<int>::min() / 2, std::numeric_limits<int>::max() / 2);
    angle_->setValue(0);
    auto* fontButton = new QToolButton(this);
    fontButton->setObjectName(QStringLiteral("SpeedButton1"));
    fontButton->setText(QStringLiteral("Police..."));
    fontButton->setToolTip(QStringLiteral("Police"));
    chooseFont = [this](editing::TextFont& font) { return askTextFont(this, font); };
    connect(fontButton, &QToolButton::clicked, this, [this] {
        editing::TextFont font = font_;
        if (chooseFont && chooseFont(font))
            font_ = font;
    });
    const ConfirmButtons buttons = addConfirmButtons(this, confirmed_);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Angle"), this));
    row->addWidget(angle_);
    row->addWidget(fontButton);
    row->addLayout(buttons.row);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addLayout(row);
    setMinimumWidth(380);
}

void TEditext::Init(const editing::TextFont& font) { font_ = font; }

int TEditext::exec()
{
    confirmed_ = false;
    text_->clear();
    text_->setFocus();
    return QDialog::exec();
}

void TEditext::Result(QString& text, int& angle, editing::TextFont& font) const
{
    text.clear();
    if (!confirmed_)
        return;
    text = text_->text();
    angle = angle_->value();
    font = font_;
}

} // namespace orugif

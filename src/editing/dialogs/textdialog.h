// TEditext, "Editeur de texte": the text, its angle and its font.
#pragma once
#include "editing/text.h"

#include <QDialog>

class QLineEdit;
class QSpinBox;

namespace orugif {

// The font dialog on `font`, then the colour dialog for its colour; false
// when the font dialog is cancelled (a cancelled colour keeps the old one).
bool askTextFont(QWidget* parent, editing::TextFont& font);

class TEditext : public QDialog {
    Q_OBJECT
public:
    explicit TEditext(QWidget* parent = nullptr);
    void Init(const editing::TextFont& font);
    // The text is always emptied first; when confirmed it takes the field,
    // and the angle and font take the dialog's.
    void Result(QString& text, int& angle, editing::TextFont& font) const;
    int exec() override;

    // Tests replace the font and colour dialogs.
    std::function<bool(editing::TextFont&)> chooseFont;

private:
    QLineEdit* text_;
    QSpinBox* angle_;
    editing::TextFont font_;
    bool confirmed_ = false;
};

} // namespace orugif

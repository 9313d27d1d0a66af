// The rules of the resize dialog (caption "Redimensiooner"): two digit-only
// fields, width and height, and "Garder les proportions", which recomputes
// the other field when one is left, with a minimum of 16 when the width is
// typed and 100 when the height is typed.
#pragma once
#include <QSize>
#include <QString>

namespace orugif::editing {

class RedimLogic {
public:
    void Init(int width, int height);

    QString width;   // the text of "Largeur" (Edit1)
    QString height;  // the text of "Hauteur" (Edit2)
    bool keepProportions = true;  // CheckBox1
    bool confirmed = false;

    // Key filter: digits and Backspace pass; Enter confirms; the rest is dropped.
    enum class Key { Accept, Discard, Confirm };
    static Key filterKey(QChar c);

    void leaveWidth();
    void leaveHeight();
    // (0, 0) when not confirmed, else the two fields' values (0 when empty).
    // A field too large for a picture size fails with a French message.
    QSize Result() const;

private:
    double ratio_ = 1.0;
};

// The integer in a digit-only field: 0 when empty; a number too large for a
// picture side fails with a French message naming `what`.
int fieldValue(const QString& text, const QString& what);

} // namespace orugif::editing

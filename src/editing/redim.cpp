#include "editing/redim.h"

#include "common/error.h"
#include "common/limits.h"

#include <cmath>

namespace orugif::editing {

int fieldValue(const QString& text, const QString& what)
{
    if (text.isEmpty())
        return 0;
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok || value < 0 || value > kMaxPictureSide)
        throw Error(QStringLiteral("%1 : « %2 » n'est pas une taille valide (de 1 à %3 pixels).")
                        .arg(what, text, QString::number(kMaxPictureSide)));
    return int(value);
}

void RedimLogic::Init(int w, int h)
{
    width = QString::number(w);
    height = QString::number(h);
    ratio_ = h != 0 ? double(w) / double(h) : 1.0;
    confirmed = false;
}

RedimLogic::Key RedimLogic::filterKey(QChar c)
{
    if (c == QChar('\b') || (c.isDigit() && c.unicode() < 128))
        return Key::Accept;
    if (c == QChar('\r') || c == QChar('\n'))
        return Key::Confirm;
    return Key::Discard;
}

void RedimLogic::leaveWidth()
{
    if (!keepProportions)
        return;
    const int w = fieldValue(width, QStringLiteral("Largeur"));
    long h = std::lrint(double(w) / ratio_);
    if (h < 16) {
        h = 16;
        width = QStringLiteral("16");
    }
    height = QString::number(h);
}

void RedimLogic::leaveHeight()
{
    if (!keepProportions)
        return;
    const int h = fieldValue(height, QStringLiteral("Hauteur"));
    long w = std::lrint(double(h) * ratio_);
    if (w < 100) {
        w = 100;
        height = QStringLiteral("100");
    }
    width = QString::number(w);
}

QSize RedimLogic::Result() const
{
    if (!confirmed)
        return QSize(0, 0);
    return QSize(fieldValue(width, QStringLiteral("Largeur")), fieldValue(height, QStringLiteral("Hauteur")));
}

} // namespace orugif::editing

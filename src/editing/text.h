// Text on pictures: the text tool's stamp, horizontal on a white box or at an
// angle with only the glyphs painted, and the banner frames.
#pragma once
#include "common/colour.h"

#include <QFont>
#include <QImage>
#include <QString>
#include <optional>
#include <vector>

namespace orugif::editing {

// A font as the text tool keeps it between uses.
struct TextFont {
    QString family = QStringLiteral("Arial");
    int pointSize = 10;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    Colour colour = clBlack;

    // The font drawn horizontally: points at 96 dots per inch, every style.
    QFont horizontal() const;
    // The font drawn at an angle: character height in pixels equal to the
    // size in points, normal weight, no style.
    QFont rotated() const;
    bool operator==(const TextFont&) const = default;
};

// `text` with its top-left corner at (x, y) on an opaque white box.
void drawTextOnWhite(QImage& picture, int x, int y, const QString& text, const TextFont& font);

// `text` at `angle` degrees counter-clockwise, the top-left corner of its
// unrotated box at (x, y); only the glyphs are painted. Empty text: nothing.
void RotTextOut(QImage& picture, int x, int y, const QString& text, int angle, const TextFont& font);

// The banner generator: n frames of `size`, white, with `text` moved
// ("Défilement", "Rebond"), blinking ("Clignotement") or coloured
// ("Couleurs") from frame to frame; any other effect name gives white frames.
// `font` takes the last colour "Couleurs" set.
std::vector<QImage> AjoutTxt(QSize size, const QString& text, TextFont& font, const QString& effect, int n);

// Where banner frame i of n puts a text of `text` size, or nothing.
std::optional<QPoint> bannerPosition(const QString& effect, int i, int n, QSize frame, QSize text);

// The banner effects' names.
const QStringList& bannerEffects();

} // namespace orugif::editing

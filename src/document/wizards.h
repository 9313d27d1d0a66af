// What the two wizards hand the document: the animation wizard's pictures
// and settings, and the banner wizard's text, font, effect and settings.
#pragma once
#include "editing/text.h"

#include <QSize>
#include <QStringList>

namespace orugif {

struct AnimationWizardResult {
    int sizeMode = 0;  // 0: the first picture's size; 1: width x height
    int width = 100;
    int height = 100;
    bool transparent = false;
    int repeatCount = 0;
    int delay = 10;
    QStringList files;  // full names, in frame order
    // Pictures of another size than the frames are fitted to them (Mitchell,
    // keeping their aspect, centred) instead of placed at the top left.
    bool fit = false;
};

struct BannerWizardResult {
    int sizeMode = 0;  // 0: 468 x 60; 1: width x height
    int width = 468;
    int height = 60;
    bool transparent = false;
    int repeatCount = 0;
    int delay = 10;
    int frames = 10;
    QString text;
    editing::TextFont font{QStringLiteral("MS Sans Serif"), 10};
    QString effect = QStringLiteral("Défilement");

    QSize size() const { return sizeMode == 0 ? QSize(468, 60) : QSize(width, height); }
};

} // namespace orugif

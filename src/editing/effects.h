// The special effects: twenty-three pixel effects applied in place to a
// picture, each one pass over its rows.
#pragma once
#include <QImage>
#include <QRandomGenerator>
#include <QStringList>
#include <functional>

namespace orugif::editing {

// The effects' names in list order: "Neige", "Médaillon", ... "Bougé".
const QStringList& effectNames();
constexpr int kEffectCount = 23;

class Effects {
public:
    // `seedFromClock` gives the seed "Neige fondue" reseeds with each time it
    // runs; tests pass a fixed one.
    explicit Effects(quint32 seed = 1, std::function<quint32()> seedFromClock = {});

    // Applies effect `index` (0 to 22) to `picture`, made Format_RGB32 first.
    // Other indexes change nothing.
    void apply(QImage& picture, int index);

    // Random(n): 0 to n - 1.
    int random(int n) { return int(random_.bounded(quint32(n))); }

private:
    QRandomGenerator random_;
    std::function<quint32()> seedFromClock_;
};

// Index of the 256-colour copy the outline compares: 3 bits of red, 3 of
// green, 2 of blue.
inline int paletteIndex(QRgb c) { return (qRed(c) & 0xe0) | (qGreen(c) & 0xe0) >> 3 | qBlue(c) >> 6; }

} // namespace orugif::editing

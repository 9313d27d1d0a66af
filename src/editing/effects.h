// The special effects: twenty-three pixel effects applied in place to a
// picture, each one pass over its rows.
#pragma once
#include <QImage>
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

    // Random(n): 0 to n - 1, from a fast xorshift generator (the noise
    // effects draw up to three numbers a pixel).
    int random(int n)
    {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        const quint32 bits = quint32((state_ * 0x2545F4914F6CDD1Dull) >> 32);
        return int((quint64(bits) * quint32(n)) >> 32);
    }

private:
    void seed(quint32 seed) { state_ = 0x9E3779B97F4A7C15ull ^ (quint64(seed) << 1 | 1); }

    quint64 state_ = 1;
    std::function<quint32()> seedFromClock_;
};

// Index of the 256-colour copy the outline compares: 3 bits of red, 3 of
// green, 2 of blue.
inline int paletteIndex(QRgb c) { return (qRed(c) & 0xe0) | (qGreen(c) & 0xe0) >> 3 | qBlue(c) >> 6; }

} // namespace orugif::editing

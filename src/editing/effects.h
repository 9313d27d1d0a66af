// The special effects: twenty-three pixel effects applied in place to a
// picture, each one pass over its rows.
#pragma once
#include <QImage>
#include <QStringList>
#include <functional>
#include <memory>

namespace orugif::editing {

// The effects' names in list order: "Neige", "Médaillon", ... "Bougé".
const QStringList& effectNames();
constexpr int kEffectCount = 23;

// The pseudo-random generator of the noise effects: a fast xorshift (the
// noise effects draw up to three numbers a pixel).
class NoiseGenerator {
public:
    explicit NoiseGenerator(quint64 seed) { reseed(seed); }
    // Random(n): 0 to n - 1.
    int random(int n)
    {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        const quint32 bits = quint32((state_ * 0x2545F4914F6CDD1Dull) >> 32);
        return int((quint64(bits) * quint32(n)) >> 32);
    }
    void reseed(quint64 seed) { state_ = 0x9E3779B97F4A7C15ull ^ (seed << 1 | 1); }
    // Stirs a value (the clock) into the running state: the sequence goes
    // on, so two stirs within one clock tick still give different numbers.
    void stir(quint32 value) { state_ ^= (quint64(value) << 1 | 1) * 0xBF58476D1CE4E5B9ull; }

private:
    quint64 state_ = 1;
};

// The program's one generator, seeded from the clock when first used and
// running on across every use of the effects.
NoiseGenerator& programNoise();

class Effects {
public:
    // Draws from the program's generator; "Neige fondue" stirs the clock
    // into it each time it runs.
    Effects();
    // A generator of its own with a fixed seed, and the clock value
    // "Neige fondue" stirs in: what tests use.
    explicit Effects(quint32 seed, std::function<quint32()> seedFromClock = {});

    // Applies effect `index` (0 to 22) to `picture`, made Format_RGB32 first.
    // Other indexes change nothing.
    void apply(QImage& picture, int index);

    int random(int n) { return generator_->random(n); }

private:
    std::shared_ptr<NoiseGenerator> generator_;
    std::function<quint32()> seedFromClock_;
};

// Index of the 256-colour copy the outline compares: 3 bits of red, 3 of
// green, 2 of blue.
inline int paletteIndex(QRgb c) { return (qRed(c) & 0xe0) | (qGreen(c) & 0xe0) >> 3 | qBlue(c) >> 6; }

} // namespace orugif::editing

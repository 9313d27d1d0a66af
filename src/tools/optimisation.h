// The optimisation dialog's rules: the colour reductions and ditherings it
// offers, with their captions and command-line names, which combinations
// make sense, and the size the file would have.
#pragma once
#include "document/gifbuild.h"
#include "gif/colorreduction.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace orugif::tools {

// The reductions offered, in the dialog's order: the codec's method number,
// the caption and the command-line name.
struct Reduction {
    int method;
    const char* caption;
    const char* name;
};
const std::vector<Reduction>& reductions();
// Dither mode i's caption and command-line name (0 to 6).
QStringList ditherCaptions();
QStringList ditherNames();

// The colour reduction, bit count and dithering the user chose last in the
// optimisation dialog, kept in the user's settings: new documents start
// with them. Nothing stored, or a stored choice that makes no sense, gives
// the automatic reduction without dithering.
struct ReductionChoice {
    int method = gif::kAutomaticReduction;
    int bits = 8;
    int dither = 0;
};
ReductionChoice rememberedReduction();
void rememberReduction(const ReductionChoice& choice);

// Why this reduction, bit count and dithering cannot go together (empty
// when they can): only the chosen palette ("Palette optimisée", method 7)
// takes a bit count, of 1 to 8; the others use their own fixed palette.
QString reductionError(int method, int bits, int dither);

// The bytes the animation would be written as with `settings`; -1 when
// `cancelled` became true on the way. A failure of the build raises as
// saving would. `progress` hears how far it is, in percent, each time that
// changes: building the frames takes it to 40, merging and the other
// optimisations to 90, writing to 100.
std::int64_t estimatedSize(const std::vector<QImage>& frames, const AnimationSettings& settings,
                           const std::atomic<bool>* cancelled = nullptr,
                           const std::function<void(int)>& progress = {});

// Runs estimatedSize in a thread of its own; a new start cancels the one
// running, whose answer is then never given. `done` hears the size on the
// estimating thread. The destructor cancels and waits for every thread.
class SizeEstimator {
public:
    SizeEstimator();
    SizeEstimator(const SizeEstimator&) = delete;
    SizeEstimator& operator=(const SizeEstimator&) = delete;
    ~SizeEstimator();
    // `progress`, when given, hears the percent done on the estimating thread.
    void start(std::vector<QImage> frames, AnimationSettings settings, std::function<void(std::int64_t)> done,
               std::function<void(int)> progress = {});
    void cancel();

private:
    struct Run;
    std::vector<std::unique_ptr<Run>> runs_;
};

// "1 476 273": the digits grouped by three, as French writes them.
QString groupedDigits(std::int64_t value);

} // namespace orugif::tools

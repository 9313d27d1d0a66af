// The document's prompt port: every question and modal dialog the document
// needs goes through it. The application passes an implementation that shows
// real message boxes and dialogs; tests pass a scripted one.
#pragma once
#include "document/gifbuild.h"
#include "document/placement.h"
#include "document/wizards.h"
#include "editing/text.h"
#include "formats/animationwriter.h"
#include "formats/video.h"

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>

namespace orugif {

enum class Answer { Ok, Yes, No, Cancel };

enum class Choices {
    OkNo,         // a confirmation box with the buttons OK and No
    YesNo,
    YesNoCancel,
};

class DocumentPrompts {
public:
    virtual ~DocumentPrompts() = default;

    // Asks `question` with the given buttons; closing the box counts as the
    // last button (No, or Cancel where there is one).
    virtual Answer ask(const QString& question, Choices choices) = 0;
    // Shows `message` in a plain message box.
    virtual void inform(const QString& message) = 0;
    // Tells the user of something that went wrong while the work went on
    // (a video read in part).
    virtual void warn(const QString& message) { inform(message); }
    // Tells the user what an export changed to fit its format.
    virtual void tell(const QString& message) { inform(message); }
    // A long task's progress: `done` of `total` under `label`; false once
    // the user asked to stop it. endProgress closes what showProgress opened.
    virtual bool showProgress(const QString& label, std::int64_t done, std::int64_t total) { return true; }
    virtual void endProgress() {}

    // The modal dialogs: each returns what its Result gives, and the default
    // answers as a cancelled dialog does.
    // Rotation: 0 cancelled, 1 a quarter left, 2 a quarter right, 3 half a turn.
    virtual int runRotation() { return 0; }
    // Move: the offsets, (0, 0) when cancelled; limited to -width..width, -height..height.
    virtual QPoint runMove(int width, int height) { return {}; }
    // Resize and resample: the new size, (0, 0) when cancelled.
    virtual QSize runResize(int width, int height) { return {0, 0}; }
    // Special effects on `picture`: the result when confirmed, else `picture`.
    virtual QImage runEffects(const QImage& picture) { return picture; }
    // The same, with the effects applied in order, so that other frames can
    // go through them too; without an override, runEffects and no list.
    struct EffectsChoice {
        QImage result;
        std::vector<int> effects;
    };
    virtual EffectsChoice runEffectsChain(const QImage& picture) { return {runEffects(picture), {}}; }
    // Transition after (or before) the current frame: the kind (-1 when
    // cancelled or none chosen) and the frame count.
    struct TransitionChoice {
        int kind = -1;
        int count = 0;
    };
    virtual TransitionChoice runTransition(bool after, const QImage& picture) { return {}; }
    // File dialogs: the chosen path, empty when cancelled. The save dialog
    // starts on `current` and appends ".gif" to a name without a suffix.
    virtual QString chooseSaveFile(const QString& current) { return {}; }
    virtual QString chooseImportFile() { return {}; }
    // A picture of `picture` size imported onto frames of `frame` size:
    // placed at its own size ("Placer", what an import always did), fitted
    // ("Ajuster"), or nothing (Cancel).
    virtual Placement askPlacement(QSize picture, QSize frame) { return Placement::Place; }
    virtual QString chooseExportFile() { return {}; }
    // The AVI export dialog, starting on `current`; ".avi" is appended to a
    // name without a suffix.
    virtual QString chooseAviFile(const QString& current) { return {}; }
    // The export to MP4, WebM, WebP or APNG: the file chosen (empty when
    // cancelled), the dialog starting on `current`.
    virtual QString chooseAnimationFile(const QString& current) { return {}; }
    // Its options (quality, lossless) for the format of `options`: false
    // when cancelled. `estimate` gives the bytes the options would write.
    virtual bool runAnimationOptions(formats::AnimationOptions& options,
                                     const std::function<std::int64_t(const formats::AnimationOptions&)>& estimate)
    {
        return false;
    }
    // The properties dialog: the values change only when it is confirmed;
    // true when it was.
    virtual bool runProperties(int& repeatCount, int& frameDelay, int gifVersion, bool& transparent) { return false; }
    // The current frame's delay: the new delay, or -1 when cancelled.
    virtual int runFrameDelay(int frameNumber, int delay) { return -1; }
    // The strip's questions about `count` selected frames: one delay for
    // them all ("Durée des cadres...", starting on `delay`), their speed in
    // percent ("Vitesse...") and N of "Supprimer un cadre sur N...". Each
    // gives -1 when cancelled.
    virtual int runFramesDelay(int count, int delay) { return -1; }
    virtual int runSpeed(int count) { return -1; }
    virtual int runDropEvery(int count) { return -1; }
    // The optimisation dialog: the options change only when it is confirmed.
    virtual void runOptimisation(bool& removeLocalPalettes, bool& mergeDuplicatePixels, bool& removeUselessFrames) {}
    // The whole optimisation dialog: the three options, the colour reduction
    // and the dithering of `settings` change only when it is confirmed; it
    // estimates the size of `frames` saved with the options shown. Without
    // an override, the three options only.
    virtual void runOptimisation(AnimationSettings& settings, const std::vector<QImage>& frames)
    {
        runOptimisation(settings.RemoveLocalPalettes, settings.MergeDuplicatePixels, settings.RemoveUselessFrames);
    }

    // The playback window over `frames`, played with `settings`; `progress`
    // hears the building of its image.
    virtual void runPlayback(const std::vector<QImage>& frames, const AnimationSettings& settings,
                             const std::function<void(int, int)>& progress) {}

    // The frame list over `frameCount` frames: the frame indexes (from 0) in
    // the order confirmed with "OK"; empty when cancelled or all deleted.
    virtual std::vector<int> runFrameList(int frameCount) { return {}; }
    // The thumbnail view: the frame double-clicked, or -1.
    virtual int runThumbnails(const std::vector<QImage>& frames) { return -1; }
    // The HTML tag dialog for the file `name` of `size`.
    virtual void runHtml(const QString& name, QSize size) {}

    // The video import options over the frames of the video `info`
    // describes (positions 0 to info.frames - 1): the range, the width and
    // the rate chosen (0 the source's); first -1 when cancelled.
    struct VideoChoice {
        std::int64_t first = -1;
        std::int64_t last = -1;
        int width = 0;
        double fps = 0;
    };
    virtual VideoChoice runVideoOptions(const formats::VideoInfo& info) { return {}; }

    // The wizards: what the user confirmed with "Terminer"; an empty list
    // or text when cancelled or closed.
    virtual AnimationWizardResult runAnimationWizard() { return {}; }
    virtual BannerWizardResult runBannerWizard() { return {}; }

    // The text dialog: the text to stamp (empty when cancelled); when
    // confirmed, `angle` and `font` take the dialog's choices.
    virtual QString runText(int& angle, editing::TextFont& font) { return {}; }
};

} // namespace orugif

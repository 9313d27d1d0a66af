// A document with scripted answers to its questions, on the real clipboard.
#pragma once
#include "document/child.h"
#include "document/clipboard.h"
#include "document/prompts.h"
#include "editing/effects.h"
#include "support/testsupport.h"

#include <QStringList>
#include <deque>
#include <optional>

namespace orugif::test {

class ScriptedPrompts : public DocumentPrompts {
public:
    Answer ask(const QString& question, Choices) override
    {
        asked << question;
        if (answers.empty())
            return Answer::Cancel;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    void inform(const QString& message) override { informed << message; }
    int runRotation() override { return rotation; }
    QPoint runMove(int width, int height) override
    {
        moveLimits = QSize(width, height);
        return move;
    }
    QSize runResize(int width, int height) override
    {
        resizeFrom = QSize(width, height);
        return resize;
    }

    QImage runEffects(const QImage& picture) override
    {
        effectsShown = picture;
        return effectResult.isNull() ? picture : effectResult;
    }

    // With `effectSteps`, the dialog applies them in order (seeded) and says so.
    EffectsChoice runEffectsChain(const QImage& picture) override
    {
        if (effectSteps.empty())
            return {runEffects(picture), {}};
        effectsShown = picture;
        QImage result = picture;
        editing::Effects effects(1);
        for (int index : effectSteps)
            effects.apply(result, index);
        return {result, effectSteps};
    }
    std::vector<int> effectSteps;

    TransitionChoice runTransition(bool, const QImage&) override { return transition; }

    QString runText(int& angle, editing::TextFont& font) override
    {
        textFontShown = font;
        if (text.isEmpty())
            return {};
        angle = textAngle;
        return text;
    }

    QString chooseSaveFile(const QString& current) override
    {
        saveDialogStartedOn = current;
        ++saveDialogs;
        return saveFile;
    }
    QString chooseImportFile() override { return importFile; }
    Placement askPlacement(QSize picture, QSize frame) override
    {
        placementAsked = {picture, frame};
        return placement;
    }
    Placement placement = Placement::Place;
    std::pair<QSize, QSize> placementAsked;
    std::vector<int> runFrameList(int) override { return frameOrder; }
    int runThumbnails(const std::vector<QImage>& frames) override
    {
        thumbnailsShown = int(frames.size());
        return thumbnail;
    }
    void runHtml(const QString& name, QSize size) override { html = {name, size}; }
    VideoChoice runVideoOptions(const formats::VideoInfo& info) override
    {
        videoOffered = {0, info.frames - 1, info.size.width()};
        videoSize = info.size;
        videoInfo = info;
        return video;
    }
    void warn(const QString& message) override { warned << message; }
    void tell(const QString& message) override { told << message; }
    QString chooseAnimationFile(const QString& current) override
    {
        animationDialogStartedOn = current;
        return animationFile;
    }
    // Confirms with `animationQuality` when it is set, after asking the
    // estimate once; cancels otherwise.
    bool runAnimationOptions(formats::AnimationOptions& options,
                             const std::function<std::int64_t(const formats::AnimationOptions&)>& estimate) override
    {
        if (!animationQuality)
            return false;
        options.quality = *animationQuality;
        estimated = estimate(options);
        return true;
    }
    // Counts the progress reports; says stop once `stopProgressAt` were heard.
    bool showProgress(const QString& label, std::int64_t, std::int64_t) override
    {
        progressLabels << label;
        return stopProgressAt < 0 || progressLabels.size() < stopProgressAt;
    }
    QString chooseExportFile() override { return exportFile; }
    QString chooseAviFile(const QString& current) override
    {
        aviDialogStartedOn = current;
        return aviFile;
    }
    bool runProperties(int& repeat, int& delay, int version, bool& transparent) override
    {
        propertiesVersion = version;
        if (!properties)
            return false;  // cancelled
        repeat = properties->repeat;
        delay = properties->delay;
        transparent = properties->transparent;
        return true;
    }
    int runFrameDelay(int, int delay) override
    {
        delayShown = delay;
        return frameDelay;
    }
    int runFramesDelay(int count, int delay) override
    {
        framesAsked = count;
        delayShown = delay;
        return framesDelay;
    }
    int runSpeed(int count) override
    {
        framesAsked = count;
        return speed;
    }
    int runDropEvery(int count) override
    {
        framesAsked = count;
        return dropEvery;
    }
    using DocumentPrompts::runOptimisation;
    void runOptimisation(bool& local, bool& merge, bool& crop) override
    {
        if (optimisation) {
            local = optimisation->local;
            merge = optimisation->merge;
            crop = optimisation->crop;
        }
    }

    // The video options' answer (cancelled unless set) and what they offered.
    VideoChoice video;
    VideoChoice videoOffered;
    QSize videoSize;
    QString saveFile;
    QString saveDialogStartedOn;
    int saveDialogs = 0;
    std::vector<int> frameOrder;
    int thumbnail = -1;
    int thumbnailsShown = -1;
    std::pair<QString, QSize> html;
    QString importFile;
    QString exportFile;
    QString aviFile;
    QString aviDialogStartedOn;
    struct Properties {
        int repeat, delay;
        bool transparent;
    };
    std::optional<Properties> properties;
    int propertiesVersion = -1;
    int frameDelay = -1;  // the frame delay dialog's answer; -1 cancels
    int delayShown = -1;
    // The strip's questions: their answers (-1 cancels) and how many frames they were asked about.
    int framesDelay = -1;
    int speed = -1;
    int dropEvery = -1;
    int framesAsked = -1;
    struct Optimisation {
        bool local, merge, crop;
    };
    std::optional<Optimisation> optimisation;

    std::deque<Answer> answers;
    QString text;
    int textAngle = 0;
    editing::TextFont textFontShown;
    TransitionChoice transition;
    QImage effectsShown;
    QImage effectResult;
    QStringList asked;
    QStringList informed;
    QStringList warned;
    QStringList told;
    QString animationFile;
    QString animationDialogStartedOn;
    std::optional<int> animationQuality;
    std::int64_t estimated = -1;
    QStringList progressLabels;
    int stopProgressAt = -1;
    formats::VideoInfo videoInfo;
    int rotation = 0;
    QPoint move;
    QSize moveLimits;
    QSize resize{0, 0};
    QSize resizeFrom;
};

struct Document {
    ScriptedPrompts prompts;
    SystemClipboard clipboard;
    TChild child{prompts, clipboard};

    // A document holding `colours.size()` frames of w x h, each one colour.
    void fill(std::initializer_list<unsigned> colours, int w = 4, int h = 3)
    {
        child.ImageList1.assign({}, QSize(w, h));
        for (unsigned c : colours)
            child.ImageList1.add(testsupport::solid(w, h, c));
        child.NewFrame = false;
        child.CurrentIndex = 0;
        child.LitCadre();
    }
    // The colour (0xRRGGBB) of frame i's top-left pixel.
    unsigned colourOf(int i) const { return child.ImageList1.frame(i).pixel(0, 0) & 0xffffffu; }
    unsigned shown() const { return child.picture().pixel(0, 0) & 0xffffffu; }
    // Fills the working picture around (0, 0) with `rgb`, as the fill tool does.
    void paint(unsigned rgb)
    {
        child.setDrawingColourSource([rgb] { return fromQRgb(rgb); });
        child.Remplir();
        child.Image1MouseDown(Qt::LeftButton, 0, 0);
        child.Image1MouseUp(Qt::LeftButton, 0, 0);
        child.Image1Click();
    }
};

} // namespace orugif::test

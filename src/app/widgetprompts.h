// The document's questions and dialogs as real message boxes, file dialogs
// and the editor's own dialogs, in French.
#pragma once
#include "document/prompts.h"

#include <QPointer>

class QProgressDialog;
class QWidget;

namespace orugif {

class ClipboardPort;

class WidgetPrompts : public DocumentPrompts {
public:
    // `clipboard` receives what the HTML dialog copies.
    WidgetPrompts(QWidget* parent, ClipboardPort& clipboard) : parent_(parent), clipboard_(clipboard) {}
    Answer ask(const QString& question, Choices choices) override;
    void inform(const QString& message) override;
    void warn(const QString& message) override;
    bool showProgress(const QString& label, std::int64_t done, std::int64_t total) override;
    void endProgress() override;
    int runRotation() override;
    QPoint runMove(int width, int height) override;
    QSize runResize(int width, int height) override;
    QImage runEffects(const QImage& picture) override;
    EffectsChoice runEffectsChain(const QImage& picture) override;
    TransitionChoice runTransition(bool after, const QImage& picture) override;
    QString runText(int& angle, editing::TextFont& font) override;
    QString chooseSaveFile(const QString& current) override;
    QString chooseImportFile() override;
    Placement askPlacement(QSize picture, QSize frame) override;
    QString chooseExportFile() override;
    QString chooseAviFile(const QString& current) override;
    QString chooseAnimationFile(const QString& current) override;
    bool runAnimationOptions(formats::AnimationOptions& options,
                             const std::function<std::int64_t(const formats::AnimationOptions&)>& estimate) override;
    bool runProperties(int& repeatCount, int& frameDelay, int gifVersion, bool& transparent) override;
    int runFrameDelay(int frameNumber, int delay) override;
    int runFramesDelay(int count, int delay) override;
    int runSpeed(int count) override;
    int runDropEvery(int count) override;
    using DocumentPrompts::runOptimisation;
    void runOptimisation(AnimationSettings& settings, const std::vector<QImage>& frames) override;
    void runPlayback(const std::vector<QImage>& frames, const AnimationSettings& settings,
                     const std::function<void(int, int)>& progress) override;
    std::vector<int> runFrameList(int frameCount) override;
    int runThumbnails(const std::vector<QImage>& frames) override;
    void runHtml(const QString& name, QSize size) override;
    VideoChoice runVideoOptions(const formats::VideoInfo& info) override;
    AnimationWizardResult runAnimationWizard() override;
    BannerWizardResult runBannerWizard() override;

    // The export dialog's filters: each entry shows files of its kind.
    static QStringList exportFilters();
    // The main window's open dialog for animations.
    static QString chooseOpenFile(QWidget* parent);
    // The animation wizard's "Ajouter": pictures chosen from the folder last used.
    static QStringList chooseWizardPictures(QWidget* parent);

private:
    // A save dialog starting on `current`, the suffix added to a bare name;
    // the chosen path, empty when cancelled.
    QString runSaveDialog(const QString& title, const char* name, const QString& suffix, const QString& filter,
                          const QString& current);

    QWidget* parent_;
    ClipboardPort& clipboard_;
    // The window of the long task under way, with its "Annuler".
    QPointer<QProgressDialog> progress_;
};

} // namespace orugif

// Export to today's formats: MP4, WebM, animated WebP and animated PNG, from
// the frames at full colour with each frame's own delay.
#include "common/error.h"
#include "common/savefile.h"
#include "document/child.h"
#include "document/prompts.h"

#include <QFileInfo>

namespace orugif {

TChild::ProgressShown::~ProgressShown()
{
    child.prompts().endProgress();
    emit child.progressDone();
}

formats::AnimationOptions TChild::animationOptions(formats::AnimationFormat format) const
{
    formats::AnimationOptions options;
    options.format = format;
    options.quality = AnimationQuality;
    options.lossless = AnimationLossless;
    // A file opened without a loop extension plays once.
    options.repeatCount = loopExtension ? RepeatCount : -1;
    if (TransparentBackground) {
        if (transparentColour)
            options.transparent = toQRgb(*transparentColour);
        else
            options.eachFrameCorner = true;  // as the GIF save picks each frame's transparent colour
    }
    return options;
}

void TChild::writeAnimationFile(const QString& path, formats::AnimationOptions options)
{
    EcritCadre();
    if (ImageList1.isEmpty())
        throw Error(QStringLiteral("L'animation ne contient aucun cadre : rien n'a été enregistré."));
    const ProgressShown shown{*this};
    const QString label = QStringLiteral("Exportation de %1...").arg(QFileInfo(path).fileName());
    QStringList notes;
    const QByteArray bytes =
        formats::encodeAnimation(ImageList1.frames(), frameDelays(), options, notes, [&](int i, int count) {
            emit progress(i, count);
            return prompts().showProgress(label, i, count);
        });
    writeFileSafely(path, bytes);  // the previous file stays when this fails
    for (const QString& note : notes)
        prompts().tell(note);
}

bool TChild::ExporterAnimation()
{
    const QFileInfo current(FileName);
    QString path = prompts().chooseAnimationFile(
        FileName.isEmpty() ? QString() : current.path() + '/' + current.completeBaseName() + QStringLiteral(".mp4"));
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".mp4");
    const std::optional<formats::AnimationFormat> format = formats::animationFormatOf(path);
    if (!format)
        throw Error(QStringLiteral("%1 : nom refusé ; les formats possibles sont %2.")
                        .arg(QFileInfo(path).fileName(), formats::animationSuffixes()));
    EcritCadre();
    if (ImageList1.isEmpty())
        throw Error(QStringLiteral("L'animation ne contient aucun cadre : rien n'a été enregistré."));
    formats::AnimationOptions options = animationOptions(*format);
    const std::vector<QImage> frames = ImageList1.frames();
    const std::vector<int> delays = frameDelays();
    // The size those options give: the animation encoded, nothing written.
    const auto estimate = [&](const formats::AnimationOptions& chosen) -> std::int64_t {
        QStringList notes;
        struct Done {
            TChild* child;
            ~Done() { child->prompts().endProgress(); }
        } done{this};
        const QString label = QStringLiteral("Estimation de la taille...");
        return formats::encodeAnimation(frames, delays, chosen, notes, [&](int i, int count) {
                   return prompts().showProgress(label, i, count);
               }).size();
    };
    if (!prompts().runAnimationOptions(options, estimate))
        return false;
    AnimationQuality = options.quality;
    AnimationLossless = options.lossless;
    if (QFileInfo::exists(path)
        && prompts().ask(QStringLiteral("Ce fichier existe déjà. L'écraser ?"), Choices::YesNo) != Answer::Yes)
        return false;
    writeAnimationFile(path, options);
    return true;
}

} // namespace orugif

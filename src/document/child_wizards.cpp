// The two wizards' work on the document: a new animation from a list of
// pictures, or a banner drawn from a line of text.
#include "common/error.h"
#include "common/limits.h"
#include "document/child.h"
#include "document/picturebatch.h"
#include "document/picturefile.h"
#include "document/prompts.h"
#include "formats/picture.h"

#include <QFileInfo>

namespace orugif {

namespace {

constexpr int kMaxBannerFrames = 1000;


// `picture` at the top-left corner of a white frame of `size`: cut at the
// right and bottom, white where it is smaller. An opaque picture of the
// frame size is the frame itself, without a copy.
QImage onFrame(const QImage& picture, QSize size)
{
    if (picture.size() == size && picture.format() == QImage::Format_RGB32)
        return picture;
    QImage frame(size, QImage::Format_RGB32);
    frame.fill(Qt::white);
    formats::drawPicture(frame, picture, 0, 0);
    return frame;
}

} // namespace

template <typename Wizard>
void TChild::startWizardAnimation(std::vector<QImage> frames, QSize size, const Wizard& wizard)
{
    Init();
    NewFrame = false;
    rebuildStore(std::move(frames), size);
    TransparentBackground = wizard.transparent;
    RepeatCount = wizard.repeatCount;
    FrameDelay = wizard.delay;
    FrameChanged = true;
    Modified = true;  // a new animation not saved yet: closing asks
    CurrentIndex = 0;
    LitCadre();
}

void TChild::NouvelleAnim() { buildAnimation(prompts().runAnimationWizard()); }

void TChild::buildAnimation(const AnimationWizardResult& wizard)
{
    if (wizard.files.isEmpty())
        return;
    if (wizard.sizeMode != 0 && !pictureSizeAllowed(wizard.width, wizard.height))
        throw Error(QStringLiteral("La taille %1 x %2 n'est pas possible pour une animation.")
                        .arg(wizard.width)
                        .arg(wizard.height));
    if (!FormCloseQuery())
        return;
    // Every picture is read before anything changes; a failure names its file.
    std::vector<QImage> pictures = loadPictures(wizard.files);
    const QSize size = wizard.sizeMode == 0 ? pictures.front().size() : QSize(wizard.width, wizard.height);
    checkAnimationSize(QFileInfo(wizard.files.front()).fileName(), int(pictures.size()), size);
    std::vector<QImage> frames;
    frames.reserve(pictures.size());
    for (QImage& picture : pictures) {
        frames.push_back(wizard.fit && picture.size() != size ? fittedOnFrame(picture, size) : onFrame(picture, size));
        picture = QImage();  // one copy of each picture at a time
    }

    recorded(QStringLiteral("Animation"), [&] { startWizardAnimation(std::move(frames), size, wizard); });
}

void TChild::NouvelleBanniere() { buildBanner(prompts().runBannerWizard()); }

void TChild::buildBanner(BannerWizardResult wizard)
{
    if (wizard.text.isEmpty())
        return;
    const QSize size = wizard.size();
    if (!pictureSizeAllowed(size.width(), size.height()))
        throw Error(QStringLiteral("La taille %1 x %2 n'est pas possible pour une bannière.")
                        .arg(size.width())
                        .arg(size.height()));
    if (wizard.frames > kMaxBannerFrames)
        throw Error(QStringLiteral("Une bannière a au plus %1 cadres (%2 demandés).")
                        .arg(kMaxBannerFrames)
                        .arg(wizard.frames));
    checkAnimationSize(QStringLiteral("la bannière"), std::max(wizard.frames, 0), size);
    if (!FormCloseQuery())
        return;
    std::vector<QImage> frames = editing::AjoutTxt(size, wizard.text, wizard.font, wizard.effect, wizard.frames);

    recorded(QStringLiteral("Bannière"), [&] { startWizardAnimation(std::move(frames), size, wizard); });
}

} // namespace orugif

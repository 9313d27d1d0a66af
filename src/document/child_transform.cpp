// Geometric transforms of the current frame, and the resize and resample of
// the whole animation.
#include "common/error.h"
#include "common/limits.h"
#include "document/child.h"
#include "document/prompts.h"
#include "editing/effects.h"
#include "editing/resampler.h"
#include "editing/transforms.h"
#include "editing/transitions.h"

#include <algorithm>

namespace orugif {

void TChild::MiroirH()
{
    if (picture_.isNull())
        return;
    if (actsOnSelection())
        return editSelection(QStringLiteral("Miroir horizontal"), editing::mirrorTopBottom);
    recorded(QStringLiteral("Miroir horizontal"), [this] { pictureEdited(editing::mirrorTopBottom(picture_)); });
}

void TChild::MiroirV()
{
    if (picture_.isNull())
        return;
    if (actsOnSelection())
        return editSelection(QStringLiteral("Miroir vertical"), editing::mirrorLeftRight);
    recorded(QStringLiteral("Miroir vertical"), [this] { pictureEdited(editing::mirrorLeftRight(picture_)); });
}

void TChild::Rotation()
{
    if (picture_.isNull())
        return;
    if (picture_.width() != picture_.height()) {
        prompts().inform(QStringLiteral("l'image n'est pas carrée"));
        return;
    }
    const int choice = prompts().runRotation();
    if (choice < 1 || choice > 3)
        return;
    if (actsOnSelection())
        return editSelection(QStringLiteral("Rotation"),
                             [choice](const QImage& f) { return editing::rotateSquare(f, editing::Turn(choice)); });
    recorded(QStringLiteral("Rotation"),
             [this, choice] { pictureEdited(editing::rotateSquare(picture_, editing::Turn(choice))); });
}

void TChild::Deplacer()
{
    if (picture_.isNull())
        return;
    const QPoint offset = prompts().runMove(ImageList1.width(), ImageList1.height());
    if (offset.isNull())
        return;
    if (actsOnSelection())
        return editSelection(QStringLiteral("Déplacer"),
                             [offset](const QImage& f) { return editing::shifted(f, offset.x(), offset.y()); });
    recorded(QStringLiteral("Déplacer"),
             [this, offset] { pictureEdited(editing::shifted(picture_, offset.x(), offset.y())); });
}

namespace {

// The new size of every frame, or an empty size when the user cancelled.
// Refuses sizes the editor cannot hold before anything is built.
QSize askNewSize(DocumentPrompts& prompts, const FrameStore& store)
{
    const QSize size = prompts.runResize(store.width(), store.height());
    if (size.width() <= 0 || size.height() <= 0)
        return {};
    const std::int64_t frames = std::max(store.count(), 1);
    if (!pictureSizeAllowed(size.width(), size.height())
        || frames * size.width() * size.height() > animationPixelLimit())
        throw Error(QStringLiteral("Taille trop grande : %1 cadre(s) de %2 x %3 pixels ne tiennent pas en mémoire.")
                        .arg(store.count())
                        .arg(size.width())
                        .arg(size.height()));
    return size;
}

} // namespace

void TChild::Taille()
{
    // The current frame's edits go into the store first, so they are resized
    // with it instead of being replaced by the stored frame.
    EcritCadre();
    const QSize size = askNewSize(prompts(), ImageList1);
    if (size.isEmpty())
        return;
    std::vector<QImage> frames;
    frames.reserve(std::size_t(ImageList1.count()));
    for (const QImage& frame : ImageList1.frames())
        frames.push_back(editing::stretched(frame, size));
    recorded(QStringLiteral("Redimensionner"), [&] {
        rebuildStore(std::move(frames), size, ImageList1.delays());
        LitCadre();
        Modified = true;
    });
}

void TChild::Rechantilloner()
{
    EcritCadre();
    const QSize size = askNewSize(prompts(), ImageList1);
    if (size.isEmpty())
        return;
    // Built aside: a failure leaves the store as it was.
    const editing::Filter& mitchell = editing::filters()[editing::kMitchell];
    std::vector<QImage> frames;
    frames.reserve(std::size_t(ImageList1.count()));
    for (const QImage& frame : ImageList1.frames())
        frames.push_back(editing::filteredResize(frame, size, mitchell, 2.0f));
    recorded(QStringLiteral("Rééchantillonner"), [&] {
        rebuildStore(std::move(frames), size, ImageList1.delays());
        LitCadre();
        Modified = true;
    });
}

void TChild::Speciaux()
{
    EcritCadre();
    if (picture_.isNull())
        return;
    const DocumentPrompts::EffectsChoice choice = prompts().runEffectsChain(picture_);
    const QImage& result = choice.result;
    // A cancelled dialog, or effects that changed nothing, leave the
    // document as it was: closing does not ask to save it for nothing.
    if (result.isNull() || result == picture_)
        return;
    if (actsOnSelection() && !choice.effects.empty()) {
        // The current frame as the dialog showed it; the others go through
        // the same effects.
        const int current = CurrentIndex;
        return editSelection(QStringLiteral("Effets spéciaux"), [&](const QImage& frame) {
            if (frame.cacheKey() == ImageList1.frame(current).cacheKey())
                return result;
            QImage edited = frame;
            editing::Effects effects;
            for (int index : choice.effects)
                effects.apply(edited, index);
            return edited;
        });
    }
    recorded(QStringLiteral("Effets spéciaux"), [&] { pictureEdited(result); });
}

void TChild::transition(bool after)
{
    EcritCadre();
    const DocumentPrompts::TransitionChoice choice = prompts().runTransition(after, picture_);
    if (choice.kind < 0)
        return;
    // The frames are placed around the current frame, which must be in the
    // store: refused before anything is inserted otherwise.
    if (!ImageList1.contains(CurrentIndex))
        throw Error(QStringLiteral("La transition part du cadre en cours, qui n'est pas encore dans "
                                   "l'animation : dessinez dessus ou changez de cadre d'abord."));
    const int count = std::clamp(choice.count, 0, editing::kMaxTransitionFrames);
    const std::vector<QImage> frames = editing::transitionFrames(picture_, choice.kind, count, after);
    recorded(after ? QStringLiteral("Transition après") : QStringLiteral("Transition avant"), [&] {
        const int at = after ? CurrentIndex + 1 : CurrentIndex;
        for (std::size_t k = 0; k < frames.size(); ++k)
            ImageList1.insert(at + int(k), frames[k]);
        if (!after)
            CurrentIndex += int(frames.size());
        LitCadre();
        Modified = true;
    });
}

} // namespace orugif

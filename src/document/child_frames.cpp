// The frame strip's work on the document: a selection of frames moved,
// deleted, duplicated, reversed, given one delay, sped up or thinned out,
// each as one step of the history.
#include "common/error.h"
#include "document/child.h"
#include "document/prompts.h"

#include <algorithm>
#include <numeric>

namespace orugif {

namespace {

QString noSuchFrame(int index, int count)
{
    return QStringLiteral("Le cadre %1 n'existe pas : l'animation a %2 cadres.").arg(index + 1).arg(count);
}

} // namespace

void TChild::setSelectedFrames(std::vector<int> selection)
{
    selection = frameops::normalised(std::move(selection), ImageList1.count());
    if (selection == selection_)
        return;
    selection_ = std::move(selection);
    emit selectionChanged();
}

std::vector<int> TChild::framesToChange() const
{
    if (!selection_.empty())
        return selection_;
    if (ImageList1.contains(CurrentIndex))
        return {CurrentIndex};
    return {};
}

void TChild::goToFrame(int index)
{
    EcritCadre();
    if (!ImageList1.contains(index))
        return;
    CurrentIndex = index;
    LitCadre();
}

void TChild::applyPlan(const QString& name, const std::function<frameops::Plan(const std::vector<int>&)>& make)
{
    EcritCadre();
    // The plan works on the delays the frames are shown for; a frame whose
    // delay it leaves as it was keeps following the animation's delay.
    const std::vector<int> shown = frameDelays();
    const frameops::Plan plan = make(shown);
    std::vector<int> same(shown.size());
    std::iota(same.begin(), same.end(), 0);
    if (plan.order == same && plan.delays == shown) {
        setSelectedFrames(plan.selection);
        return;
    }
    recorded(name, [&] {
        std::vector<QImage> frames;
        std::vector<int> delays;
        frames.reserve(plan.order.size());
        delays.reserve(plan.order.size());
        int current = -1;
        for (std::size_t k = 0; k < plan.order.size(); ++k) {
            const int from = plan.order[k];
            frames.push_back(ImageList1.frame(from));
            const int delay = plan.delays[k];
            delays.push_back(delay == shown[std::size_t(from)] ? ImageList1.delay(from) : delay);
            if (current < 0 && from >= CurrentIndex)
                current = int(k);  // the current frame, or the first after it when it went
        }
        rebuildStore(std::move(frames), ImageList1.frameSize(), std::move(delays));
        // A moved current frame is followed to its new place.
        for (std::size_t k = 0; k < plan.order.size(); ++k)
            if (plan.order[k] == CurrentIndex) {
                current = int(k);
                break;
            }
        Modified = true;
        selection_.clear();
        setSelectedFrames(plan.selection);
        if (ImageList1.isEmpty()) {
            // Nothing left to show, as after deleting the last frame.
            CurrentIndex = 0;
            showNoFrame();
            return;
        }
        CurrentIndex = current >= 0 ? current : ImageList1.count() - 1;
        LitCadre();
    });
}

void TChild::editSelection(const QString& name, const std::function<QImage(const QImage&)>& edit)
{
    EcritCadre();
    std::vector<std::pair<int, QImage>> edited;
    edited.reserve(selection_.size());
    for (int index : selection_)
        edited.emplace_back(index, edit(ImageList1.frame(index)));
    recorded(name, [&] {
        for (const auto& [index, frame] : edited)
            ImageList1.replace(index, frame);
        Modified = true;
        LitCadre();
    });
}

void TChild::moveFrames(const std::vector<int>& selection, int target)
{
    if (target < 0 || target > ImageList1.count())
        throw Error(noSuchFrame(target, ImageList1.count()));
    applyPlan(QStringLiteral("Déplacer les cadres"),
              [&](const std::vector<int>& delays) { return frameops::moved(delays, selection, target); });
}

void TChild::deleteFrames(const std::vector<int>& selection)
{
    applyPlan(QStringLiteral("Supprimer les cadres"),
              [&](const std::vector<int>& delays) { return frameops::deleted(delays, selection); });
}

void TChild::setFramesDelay(const std::vector<int>& selection, int delay)
{
    if (delay < 0 || delay > frameops::kMaxDelay)
        throw Error(QStringLiteral("La durée d'un cadre va de 0 à 65535 centièmes de seconde (%1 refusé).").arg(delay));
    applyPlan(QStringLiteral("Durée des cadres"),
              [&](const std::vector<int>& delays) { return frameops::withDelay(delays, selection, delay); });
}

void TChild::changeSpeed(const std::vector<int>& selection, int percent)
{
    if (percent < 1 || percent > 10000)
        throw Error(QStringLiteral("La vitesse va de 1 % à 10000 % (%1 % refusé).").arg(percent));
    applyPlan(QStringLiteral("Vitesse"),
              [&](const std::vector<int>& delays) { return frameops::atSpeed(delays, selection, percent); });
}

void TChild::dropEveryNth(const std::vector<int>& selection, int n)
{
    if (n < 2)
        throw Error(QStringLiteral("Supprimer un cadre sur N : N vaut au moins 2 (%1 refusé).").arg(n));
    applyPlan(QStringLiteral("Supprimer un cadre sur %1").arg(n),
              [&](const std::vector<int>& delays) { return frameops::everyNthDropped(delays, selection, n); });
}

void TChild::duplicateFrames(const std::vector<int>& selection)
{
    applyPlan(QStringLiteral("Dupliquer"),
              [&](const std::vector<int>& delays) { return frameops::duplicated(delays, selection); });
}

void TChild::reverseFrames(const std::vector<int>& selection)
{
    applyPlan(QStringLiteral("Inverser l'ordre"),
              [&](const std::vector<int>& delays) { return frameops::reversed(delays, selection); });
}

void TChild::DureeDesCadres()
{
    EcritCadre();
    const std::vector<int> frames = framesToChange();
    if (frames.empty())
        return;
    const int delay = prompts().runFramesDelay(int(frames.size()), frameDelay(frames.front()));
    if (delay >= 0)
        setFramesDelay(frames, delay);
}

void TChild::VitesseDesCadres()
{
    EcritCadre();
    const std::vector<int> frames = framesToChange();
    if (frames.empty())
        return;
    const int percent = prompts().runSpeed(int(frames.size()));
    if (percent >= 0)
        changeSpeed(frames, percent);
}

void TChild::SupprimerUnSurN()
{
    EcritCadre();
    const std::vector<int> frames = framesToChange();
    if (frames.empty())
        return;
    const int n = prompts().runDropEvery(int(frames.size()));
    if (n >= 0)
        dropEveryNth(frames, n);
}

} // namespace orugif

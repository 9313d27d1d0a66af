// Frame list editing and the clipboard: delete, cut, copy, paste, clear,
// reverse, reorder, and the views over every frame.
#include "common/error.h"
#include "common/limits.h"
#include "document/child.h"
#include "document/clipboard.h"
#include "document/prompts.h"

#include <QFileInfo>
#include <QPainter>

namespace orugif {

void TChild::showNoFrame()
{
    // Nothing left to show: the picture goes, as in a new document; the
    // next frame added or imported starts the animation again.
    picture_ = QImage();
    FrameChanged = false;
    NewFrame = true;
    emit pictureChanged();
    AffBarre();
}

void TChild::Supprimer()
{
    recorded(QStringLiteral("Supprimer"), [this] {
        if (CurrentIndex >= 0 && CurrentIndex < ImageList1.count()) {
            ImageList1.remove(CurrentIndex);
            Modified = true;  // a deleted frame is a change the user may want to keep
        }
        if (CurrentIndex >= ImageList1.count())
            CurrentIndex = ImageList1.count() - 1;
        if (ImageList1.isEmpty()) {
            showNoFrame();
            return;
        }
        LitCadre();
    });
}

void TChild::Couper()
{
    recorded(QStringLiteral("Couper"), [this] {
        Copier();
        Supprimer();
    });
}

void TChild::Copier()
{
    if (!picture_.isNull())
        clipboard().setImage(picture_);
}

void TChild::Coller()
{
    const bool offered = clipboard().hasImage();
    const QImage bitmap = offered ? clipboard().image() : QImage();
    if (offered) {
        // Refused before anything changes.
        if (bitmap.isNull() || bitmap.width() <= 0 || bitmap.height() <= 0)
            throw Error(QStringLiteral("L'image du presse-papiers est vide : rien n'a été collé."));
        if (!pictureSizeAllowed(bitmap.width(), bitmap.height()))
            throw Error(QStringLiteral("L'image du presse-papiers est trop grande (%1 x %2) : "
                                       "la taille maximale est de %3 x %3 pixels.")
                            .arg(bitmap.width())
                            .arg(bitmap.height())
                            .arg(kMaxPictureSide));
    }
    recorded(QStringLiteral("Coller"), [this, &bitmap] {
        if (!bitmap.isNull()) {
            if (ImageList1.isEmpty())
                setFrameSize(bitmap.size());
            QPainter painter(&ensurePicture());
            painter.drawImage(0, 0, bitmap);
            painter.end();
            emit pictureChanged();
        }
        FrameChanged = true;
        Modified = true;
        AffBarre();
    });
}

void TChild::Effacer()
{
    if (prompts().ask(QStringLiteral("Confirmer effacer le cadre ?"), Choices::OkNo) != Answer::Ok)
        return;
    recorded(QStringLiteral("Effacer"), [this] {
        whitePicture();
        FrameChanged = true;
        Modified = true;
    });
}

void TChild::Inverser()
{
    recorded(QStringLiteral("Inverser l'ordre"), [this] {
        EcritCadre();
        ImageList1.reverse();
        Modified = true;
        LitCadre();
    });
}

void TChild::ListeCadres()
{
    EcritCadre();
    reorderFrames(prompts().runFrameList(ImageList1.count()));
}

void TChild::reorderFrames(const std::vector<int>& order)
{
    if (order.empty())
        return;
    for (int index : order)
        if (!ImageList1.contains(index))
            throw Error(QStringLiteral("Le cadre %1 n'existe pas : l'animation a %2 cadres.")
                            .arg(index + 1)
                            .arg(ImageList1.count()));
    recorded(QStringLiteral("Liste des cadres"), [this, &order] {
        // The frames share their pixels with the store: nothing is copied.
        std::vector<QImage> frames;
        std::vector<int> delays;
        frames.reserve(order.size());
        delays.reserve(order.size());
        for (int index : order) {
            frames.push_back(ImageList1.frame(index));
            delays.push_back(ImageList1.delay(index));
        }
        rebuildStore(std::move(frames), ImageList1.frameSize(), delays);
        Modified = true;
        // Frames deleted from the end may leave the current index past the last.
        CurrentIndex = std::min(CurrentIndex, ImageList1.count() - 1);
        LitCadre();
    });
}

int TChild::frameDelay(int index) const
{
    const int own = ImageList1.delay(index);
    return own >= 0 ? own : FrameDelay;
}

std::vector<int> TChild::frameDelays() const
{
    std::vector<int> delays;
    for (int i = 0; i < ImageList1.count(); ++i)
        delays.push_back(frameDelay(i));
    return delays;
}

void TChild::setFrameDelay(int index, int delay)
{
    if (!ImageList1.contains(index))
        throw Error(QStringLiteral("Le cadre %1 n'existe pas : l'animation a %2 cadres.")
                        .arg(index + 1)
                        .arg(ImageList1.count()));
    if (delay < 0 || delay > 0xFFFF)
        throw Error(QStringLiteral("La durée d'un cadre va de 0 à 65535 centièmes de seconde (%1 refusé).").arg(delay));
    recorded(QStringLiteral("Durée du cadre"), [this, index, delay] {
        ImageList1.setDelay(index, delay);
        Modified = true;
        AffBarre();
    });
}

void TChild::DureeCadre()
{
    EcritCadre();
    if (!ImageList1.contains(CurrentIndex))
        throw Error(QStringLiteral("Le cadre en cours n'est pas encore dans l'animation : "
                                   "dessinez dessus d'abord."));
    const int delay = prompts().runFrameDelay(CurrentIndex + 1, frameDelay(CurrentIndex));
    if (delay >= 0)
        setFrameDelay(CurrentIndex, delay);
}

void TChild::Montrer()
{
    EcritCadre();
    const int selected = prompts().runThumbnails(ImageList1.frames());
    CurrentIndex = ImageList1.contains(selected) ? selected : 0;
    LitCadre();
}

void TChild::HtmlCode() { prompts().runHtml(QFileInfo(FileName).fileName(), picture_.size()); }

} // namespace orugif

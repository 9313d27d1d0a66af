// The document model: reset, status line, write-back and read-back of the
// current frame, navigation, blank frames and the one-level undo.
#include "document/child.h"

#include "common/filename.h"
#include "document/clipboard.h"
#include "document/prompts.h"

#include <QFileInfo>
#include <QPainter>
#include <algorithm>

namespace orugif {

namespace {

// `picture` given `size`: what it holds stays at the top left, new parts are
// white.
QImage resizedCanvas(const QImage& picture, QSize size)
{
    QImage result(size, QImage::Format_RGB32);
    result.fill(Qt::white);
    if (!picture.isNull()) {
        QPainter painter(&result);
        painter.drawImage(0, 0, picture);
    }
    return result;
}

} // namespace

TChild::TChild(DocumentPrompts& prompts, ClipboardPort& clipboard, QObject* parent)
    : QObject(parent), prompts_(prompts), clipboard_(clipboard)
{
    Init();
}

TChild::~TChild() = default;

// A name that is not UTF-8 shows its odd bytes as \xHH.
QString TChild::caption() const { return displayName(QFileInfo(FileName).fileName()); }

void TChild::setFileName(const QString& name)
{
    FileName = name;
    emit captionChanged(caption());
}

void TChild::Init()
{
    setFileName(QString());
    ImageList1.clear();
    setSelectedFrames({});
    CurrentIndex = 0;
    setPicture(QImage());
    FrameChanged = false;
    Modified = false;
    NewFrame = true;
    AffBarre();
    RepeatCount = 0;
    loopExtension = true;
    FrameDelay = 30;
    TransparentBackground = false;
    transparentColour.reset();
    keptBlocks.clear();
    RemoveLocalPalettes = false;
    MergeDuplicatePixels = false;
    FromVideo = false;
    VideoSource.clear();
    PipetteOn = FillOn = TextOn = BrushOn = false;
}

void TChild::AffBarre()
{
    if (ImageList1.contains(CurrentIndex)) {
        statusText_ = QStringLiteral("Cadre %1 / %2 (%3 x %4)")
                          .arg(CurrentIndex + 1)
                          .arg(ImageList1.count())
                          .arg(picture_.width())
                          .arg(picture_.height());
        // A frame in the store shows how long it lasts, in seconds.
        const int delay = frameDelay(CurrentIndex);
        statusText_ += QStringLiteral(" - %1,%2 s").arg(delay / 100).arg(delay % 100, 2, 10, QLatin1Char('0'));
    } else if (picture_.isNull()) {
        statusText_ = QStringLiteral("Aucun cadre");
    } else {
        // A picture not in the store yet (a blank frame after "&Ajouter", a
        // paste into an empty animation) counts as the frame it will become.
        const int count = ImageList1.count() + 1;
        statusText_ = QStringLiteral("Cadre %1 / %2 (%3 x %4) - nouveau")
                          .arg(std::clamp(CurrentIndex, 0, count - 1) + 1)
                          .arg(count)
                          .arg(picture_.width())
                          .arg(picture_.height());
    }
    emit statusChanged(statusText_);
}

void TChild::setPicture(const QImage& picture)
{
    picture_ = picture;
    emit pictureChanged();
}

void TChild::whitePicture()
{
    // One white bitmap shared by every blank frame of its size: a blank
    // frame costs no pixels (nor does keeping it for undo) until it is
    // drawn on, which detaches it.
    const QSize size = picture_.isNull() ? pictureArea_ : picture_.size();
    if (white_.size() != size) {
        white_ = QImage(size, QImage::Format_RGB32);
        white_.fill(Qt::white);
    }
    picture_ = white_;
    emit pictureChanged();
}

QImage& TChild::ensurePicture()
{
    if (picture_.isNull()) {
        picture_ = QImage(pictureArea_, QImage::Format_RGB32);
        picture_.fill(Qt::white);
    }
    return picture_;
}

void TChild::setFrameSize(QSize size)
{
    ImageList1.setFrameSize(size);
    if (pictureArea_ != size) {
        pictureArea_ = size;
        emit pictureAreaChanged(size);
    }
}

void TChild::rebuildStore(std::vector<QImage> frames, QSize size, std::vector<int> delays)
{
    ImageList1.assign(std::move(frames), size, std::move(delays));
    if (pictureArea_ != size) {
        pictureArea_ = size;
        emit pictureAreaChanged(size);
    }
}

void TChild::pictureEdited(const QImage& picture)
{
    setPicture(picture);
    FrameChanged = true;
    Modified = true;
}

void TChild::LitCadre()
{
    if (ImageList1.contains(CurrentIndex))
        picture_ = ImageList1.frame(CurrentIndex);
    else if (picture_.size() != ImageList1.frameSize())
        picture_ = resizedCanvas(picture_, ImageList1.frameSize());
    emit pictureChanged();
    AffBarre();
}

void TChild::EcritCadre()
{
    if (!FrameChanged || picture_.isNull())
        return;
    const bool sizeWasSet = ImageList1.frameSizeSet();
    if (NewFrame) {
        // FrameChanged stays set: the next write-back replaces this frame.
        CurrentIndex = ImageList1.add(picture_);
        NewFrame = false;
    } else {
        FrameChanged = false;
        // Putting back the very frame the store holds changes nothing: a
        // save, export or playback after a save must not ask to save again.
        if (ImageList1.contains(CurrentIndex)) {
            const QImage& stored = ImageList1.frame(CurrentIndex);
            if (stored.cacheKey() != picture_.cacheKey() && stored != picture_)
                Modified = true;
            ImageList1.replace(CurrentIndex, picture_);
        } else {
            Modified = true;
            // The frame was deleted under the change: keep the picture as a new last frame.
            CurrentIndex = ImageList1.add(picture_);
        }
    }
    if (!sizeWasSet)
        setFrameSize(ImageList1.frameSize());
}

void TChild::Precedent()
{
    EcritCadre();
    CurrentIndex = std::max(CurrentIndex - 1, 0);
    LitCadre();
}

void TChild::Suivant()
{
    EcritCadre();
    CurrentIndex = std::min(CurrentIndex + 1, ImageList1.count() - 1);
    LitCadre();
}

void TChild::Premier()
{
    EcritCadre();
    CurrentIndex = 0;
    LitCadre();
}

void TChild::Dernier()
{
    EcritCadre();
    CurrentIndex = ImageList1.count() - 1;
    LitCadre();
}

bool TChild::FormKeyDown(int key)
{
    if (key == Qt::Key_PageDown) {
        Suivant();
        return true;
    }
    if (key == Qt::Key_PageUp) {
        Precedent();
        return true;
    }
    return false;
}

void TChild::Ajouter()
{
    recorded(QStringLiteral("Ajouter"), [this] {
        EcritCadre();
        whitePicture();
        CurrentIndex = ImageList1.count();
        NewFrame = true;
        AffBarre();
    });
}

void TChild::Insere()
{
    recorded(QStringLiteral("Insérer"), [this] {
        EcritCadre();
        whitePicture();
        const bool sizeWasSet = ImageList1.frameSizeSet();
        CurrentIndex = std::clamp(CurrentIndex, 0, ImageList1.count());
        ImageList1.insert(CurrentIndex, picture_);
        if (!sizeWasSet)
            setFrameSize(ImageList1.frameSize());
    });
}

} // namespace orugif

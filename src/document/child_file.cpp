// Opening and saving animations, importing and exporting pictures, the
// questions before changes are lost, and the animation properties.
#include "common/error.h"
#include "common/savefile.h"
#include "document/aviexport.h"
#include "document/child.h"
#include "document/picturebatch.h"
#include "document/picturefile.h"
#include "document/prompts.h"
#include "formats/aviwriter.h"
#include "formats/jpeg.h"
#include "formats/pcx.h"
#include "formats/picture.h"
#include "gif/colorreduction.h"
#include "gif/compose.h"
#include "gif/extensions.h"
#include "gif/gifimage.h"

#include <QFileInfo>
#include <algorithm>

namespace orugif {

namespace {

// The name the questions give the document; an untitled one is "Sans titre".
QString namePart(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? QStringLiteral("Sans titre") : name;
}

// The version of the file's header: 1 for 87a, 2 for 89a, 0 otherwise.
unsigned char headerVersion(const QByteArray& bytes)
{
    const QByteArray version = bytes.mid(3, 3);
    return version == "87a" ? 1 : version == "89a" ? 2 : 0;
}

bool holdsColour(const QImage& frame, QRgb colour)
{
    for (int y = 0; y < frame.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
        if (std::find(row, row + frame.width(), colour) != row + frame.width())
            return true;
    }
    return false;
}

} // namespace

AnimationSettings TChild::settings() const
{
    AnimationSettings s{RepeatCount,          FrameDelay,          TransparentBackground, RemoveLocalPalettes,
                        MergeDuplicatePixels, RemoveUselessFrames, loopExtension,         transparentColour,
                        ImageList1.delays(),  ColorReduction,      ReductionBits,         DitherMode,
                        FromVideo,            keptBlocks};
    s.LossyTolerance = LossyTolerance;
    return s;
}

std::vector<QImage> TChild::framesAsSaved() const
{
    std::vector<QImage> frames = ImageList1.frames();
    if (FrameChanged && !picture_.isNull()) {
        if (!NewFrame && ImageList1.contains(CurrentIndex))
            frames[std::size_t(CurrentIndex)] = picture_;
        else
            frames.push_back(picture_);
    }
    return frames;
}

bool TChild::FormCloseQuery()
{
    if (!Modified)
        return true;
    switch (prompts().ask(QStringLiteral("Enregistrer modifications dans %1 ?").arg(namePart(FileName)),
                          Choices::YesNoCancel)) {
    case Answer::Yes:
        // A save the user abandons keeps the document open: nothing is lost.
        return Sauve(0);
    case Answer::No:
        return true;
    default:
        return false;
    }
}

void TChild::openVideo(const QString& name)
{
    std::vector<QImage> frames;
    int delay = 10;
    std::vector<int> delays;
    if (!LitAvi(name, frames, delay, delays))
        return;  // cancelled: the document stays as it was
    if (frames.empty())
        throw Error(QStringLiteral("Le fichier %1 ne contient aucune image.").arg(namePart(name)));
    const QSize size = frames.front().size();
    setFileName(name);
    rebuildStore(std::move(frames), size, std::move(delays));
    RepeatCount = 0;  // imported frames loop for ever
    loopExtension = true;
    // The frames keep their colours; they are saved on the cube with
    // Floyd-Steinberg dithering unless the user chooses another reduction.
    ColorReduction = 6;
    DitherMode = 1;
    FromVideo = true;
    VideoSource = name;
    FrameDelay = delay;
    TransparentBackground = false;
    transparentColour.reset();
    keptBlocks.clear();
    CurrentIndex = 0;
    NewFrame = false;
    LitCadre();
    Modified = false;
    resetHistory();
}

void TChild::openRecording(std::vector<QImage> frames, std::vector<int> delays)
{
    if (frames.empty())
        throw Error(QStringLiteral("L'enregistrement ne contient aucune image."));
    const QSize size = frames.front().size();
    Init();
    rebuildStore(std::move(frames), size, std::move(delays));
    RepeatCount = 0;  // a recording loops for ever, as imported clips do
    loopExtension = true;
    // A recorded screen mixes text, gradients and pictures: more colours
    // than one table holds, which "Automatique" would put on the cube.
    // Unless another reduction was chosen, it gets a palette of its own.
    if (ColorReduction == gif::kAutomaticReduction) {
        ColorReduction = 7;
        ReductionBits = 8;
    }
    CurrentIndex = 0;
    NewFrame = false;
    LitCadre();
    Modified = true;  // nothing of it is on disk yet
    resetHistory();
}

void TChild::Nouveau()
{
    if (FormCloseQuery()) {
        Init();
        resetHistory();
    }
}

void TChild::Charge(const QString& name)
{
    if (!FormCloseQuery())
        return;

    // Everything is read aside; the document changes only once frames exist.
    if (fileKindOf(name) == FileKind::Avi) {
        openVideo(name);
        return;
    }
    const QByteArray bytes = readWholeFile(name);
    const FileKind kind = fileKind(name, bytes);
    if (kind != FileKind::Gif)
        throw Error(QStringLiteral("%1 n'est pas une animation GIF.").arg(namePart(name)));

    gif::TGIFImage image;
    image.SetOnProgress([this](gif::ProgressStage stage, int percent, const QString&) {
        if (stage == gif::ProgressStage::Ending)
            emit progressDone();
        else
            emit progress(percent, 100);
    });
    std::vector<QImage> frames;
    // The page gets a colour no frame uses, so the file's transparent areas
    // stay known.
    QRgb page = qRgb(255, 255, 255);
    bool pageShows = false;
    try {
        image.LoadFromData(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())));

        // Every frame as the animation shows it: position, transparency and
        // the previous frame's disposal applied over the page. The whole
        // animation is measured before the first frame is composed.
        page = gif::UnusedColour(image);
        gif::TGIFFrameComposer composer(image, page);
        checkAnimationSize(namePart(name), composer.Count(), composer.Canvas().size());
        frames.reserve(std::size_t(composer.Count()));
        for (QImage frame = composer.Next(); !frame.isNull(); frame = composer.Next()) {
            pageShows = pageShows || holdsColour(frame, page);
            frames.push_back(std::move(frame));
        }
    } catch (const std::bad_alloc&) {
        throw Error(QStringLiteral("Mémoire insuffisante pour ouvrir %1 : l'animation ouverte reste inchangée.")
                        .arg(namePart(name)));
    }
    if (frames.empty())
        throw Error(QStringLiteral("Le fichier %1 ne contient aucune image.").arg(namePart(name)));

    // A file without a loop extension plays once (the repeat count reads
    // -1); without a graphic control extension its frames last 0.10 s.
    // A loop extension counts wherever it stands, as players take it.
    const int repeat = loopCountOf(image);
    int delay = 10;
    const gif::TGIFSubImage& first = *image.Images()[0];
    if (const gif::TGIFGraphicControlExtension* gce = first.GraphicControlExtension())
        delay = gce->DelayTime();
    // Every frame keeps the delay its author gave it; the first frame's is
    // the animation's delay, which frames added later take.
    // A sub-image without pixels makes no frame; its time goes to the frame
    // shown before it.
    std::vector<int> delays;
    delays.reserve(frames.size());
    for (const auto& sub : image.Images()) {
        const gif::TGIFGraphicControlExtension* gce = sub->GraphicControlExtension();
        const int own = gce ? int(gce->DelayTime()) : 10;
        if (!sub->Empty())
            delays.push_back(own);
        else if (!delays.empty())
            delays.back() = std::min(delays.back() + own, 0xFFFF);
    }

    const QSize size = frames.front().size();
    setFileName(name);
    rebuildStore(std::move(frames), size, delays);
    RepeatCount = repeat;
    loopExtension = repeat >= 0;
    FrameDelay = delay;
    // Transparent when the page shows somewhere: a file whose transparency
    // only serves to reuse earlier frames shows none and is opaque.
    TransparentBackground = pageShows;
    transparentColour.reset();
    if (pageShows)
        transparentColour = fromQRgb(page);
    keptBlocks = keptBlocksOf(image);
    GifVersion = headerVersion(bytes);
    FromVideo = false;
    VideoSource.clear();
    CurrentIndex = 0;
    NewFrame = false;
    LitCadre();
    Modified = false;
    resetHistory();
}

void TChild::SaveAs(const QString& start)
{
    QString chosen = prompts().chooseSaveFile(start.isEmpty() ? FileName : start);
    if (chosen.isEmpty())
        return;
    if (QFileInfo(chosen).suffix().isEmpty())
        chosen += QStringLiteral(".gif");
    FileName = chosen;
}

void TChild::MakeGif(gif::TGIFImage& image)
{
    struct Done {
        TChild* child;
        ~Done() { emit child->progressDone(); }
    } done{this};
    addFrames(image, ImageList1.frames(), settings(), [this](int i, int count) { emit progress(i, count); });
    optimise(image, settings());
}

bool TChild::Sauve(int mode)
{
    // A document opened from a video has no file of its own yet: the clip
    // is never written over, the user names the animation (the clip's name
    // with ".gif" offered).
    const bool fromClip = namedAfterClip();
    if (FileName.isEmpty() || mode == 1 || fromClip) {
        const QFileInfo clip(VideoSource);
        const QString offered = fromClip ? clip.path() + '/' + clip.completeBaseName() + QStringLiteral(".gif") : QString();
        const QString before = FileName;
        SaveAs(offered);
        if (fromClip && FileName == before)
            return false;  // the dialog was cancelled
        mode = 1;
    }
    if (FileName.isEmpty())
        return false;
    if (QFileInfo(FileName).suffix().isEmpty())
        FileName += QStringLiteral(".gif");
    // Only GIF and AVI are written; other videos are opened, never replaced.
    const bool avi = QFileInfo(FileName).suffix().compare(QStringLiteral("avi"), Qt::CaseInsensitive) == 0;
    // MP4, WebM, WebP and PNG names are written in those formats.
    const std::optional<formats::AnimationFormat> animation = formats::animationFormatOf(FileName);
    if (!avi && !animation && kindFromName(FileName) == FileKind::Avi)
        throw Error(QStringLiteral("%1 ne peut pas être enregistré dans ce format : utilisez « Enregistrer sous... » "
                                   "en GIF ou « Exporter en avi... ».")
                        .arg(namePart(FileName)));
    // An AVI is written over an existing file only once the user agreed,
    // every time.
    if ((mode == 1 || avi) && QFileInfo::exists(FileName)
        && prompts().ask(QStringLiteral("Ce fichier existe déjà. L'écraser ?"), Choices::YesNo) != Answer::Yes)
        return false;

    // What the user sees is what is saved: the current frame's edits first.
    EcritCadre();
    if (ImageList1.isEmpty())
        throw Error(QStringLiteral("L'animation ne contient aucun cadre : rien n'a été enregistré."));
    if (avi) {
        writeAviFile(FileName);
    } else if (animation) {
        writeAnimationFile(FileName, animationOptions(*animation));
    } else {
        gif::TGIFImage image;
        MakeGif(image);
        image.SaveToFile(FileName);
    }
    emit captionChanged(caption());
    Modified = false;
    history_.markSaved();  // the history stays: what was saved can still be undone
    return true;
}

bool TChild::SauveAvi(int mode)
{
    QString path = FileName;
    // The clip a document was opened from is never written over unasked.
    if (mode == 1 || path.isEmpty() || namedAfterClip()) {
        // The dialog starts on the document's name with the AVI suffix.
        const QFileInfo current(FileName);
        path = prompts().chooseAviFile(FileName.isEmpty() ? QString()
                                                          : current.path() + '/' + current.completeBaseName() + ".avi");
        if (path.isEmpty())
            return false;
        if (QFileInfo(path).suffix().isEmpty())
            path += QStringLiteral(".avi");
    }
    if (QFileInfo::exists(path)
        && prompts().ask(QStringLiteral("Ce fichier existe déjà. L'écraser ?"), Choices::YesNo) != Answer::Yes)
        return false;
    EcritCadre();
    if (ImageList1.isEmpty())
        throw Error(QStringLiteral("L'animation ne contient aucun cadre : rien n'a été enregistré."));
    writeAviFile(path);
    return true;
}

void TChild::writeAviFile(const QString& path)
{
    const std::vector<int> delays = frameDelays();
    const QSize size = ImageList1.frameSize();
    // Refused before any frame is reduced (as if every frame differed).
    formats::checkAviSize(ImageList1.count(), formats::aviTiming(delays).count, size.width(), size.height());
    struct Done {
        TChild* child;
        ~Done() { emit child->progressDone(); }
    } done{this};
    // The frames as the GIF save builds them: the same colours.
    const formats::AviFrames frames =
        aviExportFrames(ImageList1.frames(), settings(), [this](int i, int count) { emit progress(i, count); });
    formats::writeAvi(path, frames, delays);
}

void TChild::importPicture(const QString& path, Placement placement)
{
    importLoaded(loadPicture(path), placement);  // a file that fails changes nothing
}

void TChild::importLoaded(QImage picture, Placement placement)
{
    if (placement == Placement::Cancel)
        return;
    if (placement == Placement::Fit && !ImageList1.isEmpty() && picture.size() != ImageList1.frameSize())
        picture = fittedPicture(picture, ImageList1.frameSize());
    recorded(QStringLiteral("Importer image"), [&] {
        if (ImageList1.isEmpty())
            setFrameSize(picture.size());
        const QSize frame = ImageList1.frameSize();
        QImage& target = ensurePicture();
        formats::drawPicture(target, picture, (frame.width() - picture.width()) / 2,
                             (frame.height() - picture.height()) / 2);
        emit pictureChanged();
        FrameChanged = true;
        Modified = true;
        AffBarre();
    });
}

void TChild::appendPictures(const QStringList& paths)
{
    std::vector<QImage> pictures = loadPictures(paths);
    if (pictures.empty())
        return;
    recorded(QStringLiteral("Importer images"), [&] {
        EcritCadre();
        if (ImageList1.isEmpty())
            setFrameSize(pictures.front().size());
        const QSize size = ImageList1.frameSize();
        const int first = ImageList1.count();
        for (const QImage& picture : pictures) {
            QImage frame(size, QImage::Format_RGB32);
            frame.fill(Qt::white);
            formats::drawPicture(frame, picture, (size.width() - picture.width()) / 2,
                                 (size.height() - picture.height()) / 2);
            ImageList1.add(frame);
        }
        CurrentIndex = first;
        NewFrame = false;
        FrameChanged = false;
        Modified = true;
        LitCadre();
    });
}

void TChild::Importer()
{
    const QString path = prompts().chooseImportFile();
    if (path.isEmpty())
        return;  // a cancelled dialog keeps the pending edits of the frame
    QImage picture = loadPicture(path);
    // Asked only when the sizes differ.
    Placement placement = Placement::Place;
    if (!ImageList1.isEmpty() && picture.size() != ImageList1.frameSize())
        placement = prompts().askPlacement(picture.size(), ImageList1.frameSize());
    importLoaded(std::move(picture), placement);
}

void TChild::exportPicture(const QString& path) const
{
    const FileKind kind = pictureOutputKind(path);  // refuses other names before anything is written
    if (picture_.isNull())
        throw Error(QStringLiteral("Aucune image à exporter."));
    switch (kind) {
    case FileKind::Jpeg:
        writeFileSafely(path, formats::encodeJpeg(picture_, 90));
        break;
    case FileKind::Gif: {
        // The frame's colours are written as the document's are.
        gif::TGIFImage image;
        image.ColorReduction = ColorReduction;
        image.ReductionBits = ReductionBits;
        image.DitherMode = DitherMode;
        image.LossyTolerance = std::clamp(LossyTolerance, 0, AnimationSettings::kMaxLossy);
        image.Assign(picture_);
        image.SaveToFile(path);
        break;
    }
    case FileKind::Pcx: {
        formats::TPCX pcx;
        pcx.Assign(picture_.convertToFormat(QImage::Format_RGB32));
        writeFileSafely(path, pcx.SaveToBytes());
        break;
    }
    default:
        savePictureSafely(path, picture_, kind == FileKind::Png ? "PNG" : "BMP");
        break;
    }
}

void TChild::Exporter()
{
    QString path = prompts().chooseExportFile();
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".gif");
    pictureOutputKind(path);  // an unsupported name is refused before the overwrite question
    if (QFileInfo::exists(path)
        && prompts().ask(QStringLiteral("Ce fichier existe déjà. L'écraser ?"), Choices::YesNo) != Answer::Yes)
        return;
    exportPicture(path);
}

void TChild::Exec()
{
    EcritCadre();  // the latest edits are played
    if (ImageList1.isEmpty())
        return;
    struct Done {
        TChild* child;
        ~Done() { emit child->progressDone(); }
    } done{this};
    // The bar shows while the playback image is built, not while it plays.
    prompts().runPlayback(ImageList1.frames(), settings(), [this](int i, int count) {
        if (i < count)
            emit progress(i, count);
        else
            emit progressDone();
    });
}

void TChild::Params()
{
    int repeat = RepeatCount;
    int delay = FrameDelay;
    bool transparent = TransparentBackground;
    // A cancelled dialog changes nothing, and marks nothing.
    if (!prompts().runProperties(repeat, delay, GifVersion, transparent))
        return;
    if (repeat == RepeatCount && delay == FrameDelay && transparent == TransparentBackground)
        return;
    recorded(QStringLiteral("Propriétés"), [&] {
        if (repeat != RepeatCount)
            loopExtension = repeat >= 0;  // a chosen count is written; -1 writes none
        RepeatCount = repeat;
        TransparentBackground = transparent;
        // A new "Durée" is every frame's; the same one keeps each frame's own.
        if (delay != FrameDelay) {
            FrameDelay = delay;
            ImageList1.clearDelays();
            AffBarre();
        }
        Modified = true;
    });
}

void TChild::Optimiser()
{
    AnimationSettings chosen = settings();
    prompts().runOptimisation(chosen, framesAsSaved());
    recorded(QStringLiteral("Optimisation"), [&] {
        RemoveLocalPalettes = chosen.RemoveLocalPalettes;
        MergeDuplicatePixels = chosen.MergeDuplicatePixels;
        RemoveUselessFrames = chosen.RemoveUselessFrames;
        ColorReduction = chosen.ColorReduction;
        ReductionBits = chosen.ReductionBits;
        DitherMode = chosen.DitherMode;
        LossyTolerance = chosen.LossyTolerance;
    });
}

} // namespace orugif

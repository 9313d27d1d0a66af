// Opening and saving animations, importing and exporting pictures, the
// questions before changes are lost, and the animation properties.
#include "common/error.h"
#include "common/savefile.h"
#include "document/child.h"
#include "document/picturefile.h"
#include "document/prompts.h"
#include "formats/jpeg.h"
#include "formats/pcx.h"
#include "formats/picture.h"
#include "gif/compose.h"
#include "gif/extensions.h"
#include "gif/gifimage.h"

#include <QFileInfo>

namespace orugif {

namespace {

QString namePart(const QString& path) { return QFileInfo(path).fileName(); }

// The version of the file's header: 1 for 87a, 2 for 89a, 0 otherwise.
unsigned char headerVersion(const QByteArray& bytes)
{
    const QByteArray version = bytes.mid(3, 3);
    return version == "87a" ? 1 : version == "89a" ? 2 : 0;
}

} // namespace

AnimationSettings TChild::settings() const
{
    return {RepeatCount, FrameDelay, TransparentBackground, RemoveLocalPalettes, MergeDuplicatePixels,
            RemoveUselessFrames};
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

void TChild::Charge(const QString& name)
{
    if (!FormCloseQuery())
        return;

    // Everything is read aside; the document changes only once frames exist.
    const QByteArray bytes = readWholeFile(name);
    const FileKind kind = fileKind(name, bytes);
    if (kind == FileKind::Avi)
        throw Error(QStringLiteral("Les vidéos AVI ne s'ouvrent pas encore dans Oru Gif : %1.").arg(namePart(name)));
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
    try {
        image.LoadFromData(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())));

        // Every frame as the animation shows it: position, transparency and
        // the previous frame's disposal applied over a white screen. The
        // whole animation is measured before the first frame is composed.
        gif::TGIFFrameComposer composer(image);
        checkAnimationSize(namePart(name), composer.Count(), composer.Canvas().size());
        frames.reserve(std::size_t(composer.Count()));
        for (QImage frame = composer.Next(); !frame.isNull(); frame = composer.Next())
            frames.push_back(std::move(frame));
    } catch (const std::bad_alloc&) {
        throw Error(QStringLiteral("Mémoire insuffisante pour ouvrir %1 : l'animation ouverte reste inchangée.")
                        .arg(namePart(name)));
    }
    if (frames.empty())
        throw Error(QStringLiteral("Le fichier %1 ne contient aucune image.").arg(namePart(name)));

    // A file without a loop extension plays once; without a graphic control
    // extension its frames last 0.10 s.
    int repeat = 1;
    int delay = 10;
    const gif::TGIFSubImage& first = *image.Images()[0];
    for (const auto& ext : first.Extensions())
        if (const auto* loop = dynamic_cast<const gif::TGIFAppExtNSLoop*>(ext.get())) {
            repeat = loop->LoopCount();
            break;
        }
    if (const gif::TGIFGraphicControlExtension* gce = first.GraphicControlExtension())
        delay = gce->DelayTime();

    const QSize size = frames.front().size();
    setFileName(name);
    rebuildStore(std::move(frames), size);
    RepeatCount = repeat;
    FrameDelay = delay;
    TransparentBackground = image.HasTransparency();
    GifVersion = headerVersion(bytes);
    CurrentIndex = 0;
    NewFrame = false;
    LitCadre();
    Modified = false;
}

void TChild::SaveAs()
{
    QString chosen = prompts().chooseSaveFile(FileName);
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
    addFrames(image, ImageList1.frames(), settings(), [this](int i, int count) { emit progress(i, count - 1); });
    optimise(image, settings());
}

bool TChild::Sauve(int mode)
{
    if (FileName.isEmpty() || mode == 1)
        SaveAs();
    if (FileName.isEmpty())
        return false;
    if (kindFromName(FileName) == FileKind::Avi)
        throw Error(QStringLiteral("L'enregistrement en AVI passe par « Exporter en avi... »."));
    if (QFileInfo(FileName).suffix().isEmpty())
        FileName += QStringLiteral(".gif");
    if (mode == 1 && QFileInfo::exists(FileName)
        && prompts().ask(QStringLiteral("Ce fichier existe déjà. L'écraser ?"), Choices::YesNo) != Answer::Yes)
        return false;

    // What the user sees is what is saved: the current frame's edits first.
    EcritCadre();
    if (ImageList1.isEmpty())
        throw Error(QStringLiteral("L'animation ne contient aucun cadre : rien n'a été enregistré."));
    gif::TGIFImage image;
    MakeGif(image);
    image.SaveToFile(FileName);
    emit captionChanged(caption());
    Modified = false;
    return true;
}

void TChild::importPicture(const QString& path)
{
    const QImage picture = loadPicture(path);  // fails before anything changes
    SauveUndo();
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
}

void TChild::Importer()
{
    const QString path = prompts().chooseImportFile();
    if (path.isEmpty())
        return;  // a cancelled dialog keeps the pending edits of the frame
    importPicture(path);
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
        gif::TGIFImage image;
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
    prompts().runPlayback(ImageList1.frames(), settings(),
                          [this](int i, int count) { emit progress(i, count - 1); });
}

void TChild::Params()
{
    prompts().runProperties(RepeatCount, FrameDelay, GifVersion, TransparentBackground);
    Modified = true;  // whether confirmed or not
}

void TChild::Optimiser()
{
    prompts().runOptimisation(RemoveLocalPalettes, MergeDuplicatePixels, RemoveUselessFrames);
}

} // namespace orugif

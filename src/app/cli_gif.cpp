// The GIF sub-commands: each loads through the codec, reports the reader's
// warnings, and turns errors into a message and a non-zero exit code.
#include "app/cli_gif.h"

#include "common/error.h"
#include "common/filename.h"
#include "common/savefile.h"
#include "document/picturefile.h"
#include "formats/video.h"
#include "formats/webpinfo.h"
#include "gif/compose.h"
#include "gif/gifimage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace orugif::cli {

namespace {

using namespace orugif::gif;

// Loads a GIF file, collecting the reader's warnings.
void load(TGIFImage& image, const QString& path, QStringList& warnings)
{
    image.SetOnWarning([&warnings](const TGIFItem*, int, const QString& m) { warnings << m; });
    image.LoadFromFile(path);
}

QString signatureOf(const QString& path)
{
    QFile f;
    QString reason;
    if (!openForReading(f, path, reason))
        return {};
    const QByteArray head = f.read(10);
    const int at = head.left(3).toUpper() == "GIF" ? 0 : 4;
    return QString::fromLatin1(head.mid(at, 6));
}

int failed(QTextStream& err, const std::exception& e)
{
    err << "error: " << messageOf(e) << '\n';
    return 1;
}

} // namespace

int gifInfo(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (args.size() != 1) {
        err << "usage: orugif info FILE.gif|VIDEO\n";
        return 2;
    }
    try {
        const FileKind kind = fileKindOf(args[0]);
        if (kind != FileKind::Gif && kind != FileKind::Avi) {
            // An animated WebP: its structure, as libwebp reads it.
            const QByteArray bytes = readWholeFile(args[0]);
            if (formats::isWebp(bytes)) {
                const formats::WebpInfo info = formats::readWebpInfo(bytes);
                int total = 0;
                for (int d : info.delays)
                    total += d;
                out << "file: " << displayName(args[0]) << '\n';
                out << "size: " << info.size.width() << 'x' << info.size.height() << '\n';
                out << "frames: " << info.delays.size() << '\n';
                out << "loop: " << info.loop << '\n';
                out << "duration: " << QString::number(total / 1000.0, 'f', 2) << " s\n";
                out << "codec: webp\n";
                return 0;
            }
        }
        if (kind == FileKind::Avi) {
            formats::VideoReader video(args[0]);
            const formats::VideoInfo& info = video.info();
            out << "file: " << displayName(args[0]) << '\n';
            out << "size: " << info.size.width() << 'x' << info.size.height() << '\n';
            out << "frames: " << info.frames << '\n';
            out << "rate: " << QString::number(info.rate, 'g', 6) << " frames/s\n";
            out << "delay: " << info.delay << '\n';
            out << "duration: " << QString::number(info.duration, 'f', 2) << " s\n";
            if (info.rotation != 0)
                out << "rotation: " << info.rotation << '\n';
            out << "codec: " << info.codec << '\n';
            return 0;
        }
        TGIFImage image;
        QStringList warnings;
        load(image, args[0], warnings);
        out << "file: " << displayName(args[0]) << '\n';
        out << "version: " << signatureOf(args[0]) << '\n';
        out << "screen: " << image.Width() << 'x' << image.Height() << '\n';
        out << "global colour table: " << image.GlobalColorMap().Count() << " entries\n";
        out << "background index: " << image.Header().BackgroundColorIndex << '\n';
        QString loop = "none";
        for (const auto& s : image.Images())
            for (const auto& ext : s->Extensions())
                if (const auto* l = dynamic_cast<const TGIFAppExtNSLoop*>(ext.get()); l && loop == "none")
                    loop = QString::number(l->LoopCount());
        out << "loop count: " << loop << '\n';
        // The file's comments and application blocks other than the loop
        // extension, in file order.
        for (const auto& s : image.Images())
            for (const auto& ext : s->Extensions()) {
                if (const auto* comment = dynamic_cast<const TGIFCommentExtension*>(ext.get())) {
                    out << "comment: " << QString::fromUtf8(comment->Text.Lines.join()) << '\n';
                } else if (const auto* app = dynamic_cast<const TGIFUnknownAppExtension*>(ext.get())) {
                    qsizetype bytes = 0;
                    for (const QByteArray& block : app->Blocks)
                        bytes += block.size();
                    const TGIFApplicationExtension::Identifier& id = app->ApplicationId();
                    out << "application: " << QString::fromLatin1(id.data(), qsizetype(qstrnlen(id.data(), uint(id.size())))).trimmed() << ", "
                        << bytes << " bytes\n";
                }
            }
        out << "frames: " << image.Images().Count() << '\n';
        for (int i = 0; i < image.Images().Count(); ++i) {
            const TGIFSubImage* s = image.Images()[i];
            const TGIFGraphicControlExtension* gce = s->GraphicControlExtension();
            out << "frame " << i << ": position " << s->Left() << ',' << s->Top() << " size " << s->Width() << 'x'
                << s->Height() << " local table " << s->ColorMap().Count() << " interlaced "
                << (s->Interlaced() ? "yes" : "no") << " delay " << (gce ? gce->DelayTime() : 0) << " disposal "
                << (gce ? gce->DisposalMethod() : 0) << " transparent "
                << (s->TransparentIndex() >= 0 ? QString::number(s->TransparentIndex()) : QString("none")) << '\n';
        }
        for (const QString& w : warnings)
            out << "warning: " << w << '\n';
        return 0;
    } catch (const std::exception& e) {
        return failed(err, e);
    }
}

int gifFrames(const QStringList& args, QTextStream& out, QTextStream& err)
{
    QStringList rest = args;
    const bool raw = rest.removeAll("--raw") > 0;
    if (rest.size() != 2) {
        err << "usage: orugif frames FILE.gif DIR [--raw]\n";
        return 2;
    }
    try {
        TGIFImage image;
        QStringList warnings;
        load(image, rest[0], warnings);
        QDir dir(rest[1]);
        if (QString reason; !makeFolders(rest[1], reason)) {
            err << "error: cannot create " << displayName(rest[1]) << ": " << reason << '\n';
            return 1;
        }
        // Each frame is written as soon as it is composed: memory holds one
        // frame whatever the length of the animation. Names have at least
        // three digits, and as many as the last index needs, so that they
        // sort in frame order.
        int digits = 3;
        const auto name = [&dir, &digits](int i) {
            return dir.filePath(QString("frame-%1.bmp").arg(i, digits, 10, QChar('0')));
        };
        const auto digitsFor = [](int count) { return std::max(3, int(QString::number(std::max(count, 1) - 1).size())); };
        int written = 0;
        if (raw) {
            digits = digitsFor(int(std::count_if(image.Images().begin(), image.Images().end(),
                                                 [](const auto& s) { return !s->Empty(); })));
            for (const auto& s : image.Images())
                if (!s->Empty()) {
                    savePictureSafely(name(written), RenderFrameRgb(*s), "BMP");
                    ++written;
                }
        } else {
            // The frames the editor would open, refused beyond what it opens.
            TGIFFrameComposer composer(image);
            checkAnimationSize(QFileInfo(rest[0]).fileName(), composer.Count(), composer.Canvas().size());
            digits = digitsFor(composer.Count());
            while (composer.Advance()) {
                savePictureSafely(name(written), composer.Canvas(), "BMP");
                ++written;
            }
        }
        out << written << " frames written to " << displayName(rest[1]) << '\n';
        for (const QString& w : warnings)
            out << "warning: " << w << '\n';
        return 0;
    } catch (const std::exception& e) {
        return failed(err, e);
    }
}

int gifRecode(const QStringList& args, QTextStream& out, QTextStream& err)
{
    // `--lossy N` (0 to 200) writes the same pixels with lossy LZW coding.
    QStringList paths;
    int lossy = 0;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--lossy") && i + 1 < args.size()) {
            bool ok = false;
            lossy = args[++i].toInt(&ok);
            if (!ok || lossy < 0 || lossy > 200) {
                err << "--lossy va de 0 à 200 (" << args[i] << " refusé).\n";
                return 2;
            }
        } else {
            paths << args[i];
        }
    }
    if (paths.size() != 2) {
        err << "usage: orugif recode IN.gif OUT.gif [--lossy N]\n";
        return 2;
    }
    try {
        TGIFImage image;
        QStringList warnings;
        load(image, paths[0], warnings);
        image.LossyTolerance = lossy;
        image.SaveToFile(paths[1]);
        out << image.Images().Count() << " frames written to " << displayName(paths[1]) << '\n';
        for (const QString& w : warnings)
            out << "warning: " << w << '\n';
        return 0;
    } catch (const std::exception& e) {
        return failed(err, e);
    }
}

} // namespace orugif::cli

#include "app/cli_document.h"

#include "common/error.h"
#include "common/filename.h"
#include "common/limits.h"
#include "document/child.h"
#include "document/clipboard.h"
#include "document/picturefile.h"
#include "document/prompts.h"
#include "editing/effects.h"
#include "editing/transitions.h"
#include "gif/gifimage.h"
#include "record/recorder.h"
#include "tools/htmltag.h"
#include "tools/optimisation.h"
#include "tools/properties.h"

#include <QFileInfo>
#include <QThread>
#include <csignal>
#include <functional>
#include <optional>

namespace orugif::cli {

namespace {

// Answers the document's dialogs with the values of the operation at hand;
// a message the document would show fails the command.
class HeadlessPrompts : public DocumentPrompts {
public:
    Answer ask(const QString&, Choices choices) override
    {
        return choices == Choices::YesNoCancel ? Answer::No : Answer::Yes;  // never asked to lose data
    }
    void inform(const QString& message) override { throw Error(message); }
    // What an export changed to fit its format, on the error stream.
    void tell(const QString& message) override
    {
        if (warnings) {
            *warnings << "note: " << message << '\n';
            warnings->flush();
        }
    }
    // A warning goes to the error stream; the command goes on.
    void warn(const QString& message) override
    {
        if (warnings) {
            *warnings << "warning: " << message << '\n';
            warnings->flush();
        }
    }
    int runRotation() override { return rotation; }
    QPoint runMove(int, int) override { return move; }
    QSize runResize(int, int) override { return size; }
    QImage runEffects(const QImage& picture) override
    {
        QImage result = picture;
        editing::Effects().apply(result, effect);
        return result;
    }
    EffectsChoice runEffectsChain(const QImage& picture) override { return {runEffects(picture), {effect}}; }
    TransitionChoice runTransition(bool, const QImage&) override { return transition; }
    // A video's frames: the whole stream unless a range was given, on the
    // video's width unless another was given.
    VideoChoice runVideoOptions(const formats::VideoInfo& info) override
    {
        VideoChoice choice{0, info.frames - 1, videoWidth > 0 ? videoWidth : info.size.width(), videoRate};
        if (videoRange) {
            choice.first = videoRange->first;
            choice.last = videoRange->second;
        }
        return choice;
    }

    int rotation = 0;
    QPoint move;
    QSize size;
    int effect = -1;
    TransitionChoice transition;
    std::optional<std::pair<std::int64_t, std::int64_t>> videoRange;
    int videoWidth = 0;
    double videoRate = 0;
    QTextStream* warnings = nullptr;
};

class NoClipboard : public ClipboardPort {
public:
    bool hasImage() const override { return false; }
    QImage image() const override { return {}; }
    void setImage(const QImage&) override {}
    void setText(const QString&) override {}
};

struct Headless {
    HeadlessPrompts prompts;
    NoClipboard clipboard;
    TChild child{prompts, clipboard};
    // Nothing is undone here: the operations keep no earlier frames.
    Headless() { child.history().setLimit(0); }
};

int failed(QTextStream& err, const QString& message)
{
    err << "error: " << message << '\n';
    return 1;
}

int number(const QString& text, const QString& option)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok)
        throw Error(QStringLiteral("%1 attend un nombre entier, pas « %2 ».").arg(option, text));
    return value;
}

// "WxH", "DX,DY" or "KIND,N": two parts around a separator.
std::pair<QString, QString> pair(const QString& text, QChar separator, const QString& option)
{
    const qsizetype at = text.lastIndexOf(separator);
    if (at <= 0 || at == text.size() - 1)
        throw Error(QStringLiteral("%1 attend deux valeurs séparées par « %2 », pas « %3 ».").arg(option, separator, text));
    return {text.left(at), text.mid(at + 1)};
}

// "3,1,2": frame numbers from 1 in their new order, as the frame list gives
// them; each names a frame once. An empty list changes nothing.
std::vector<int> frameOrder(const QString& list, int count)
{
    std::vector<int> order;
    if (list.trimmed().isEmpty())
        return order;
    std::vector<bool> seen(std::size_t(count), false);
    for (const QString& item : list.split(QLatin1Char(','))) {
        bool ok = false;
        const int n = item.trimmed().toInt(&ok);
        if (!ok)
            throw Error(QStringLiteral("--order : « %1 » n'est pas un numéro de cadre.").arg(item));
        if (n < 1 || n > count)
            throw Error(QStringLiteral("--order : il n'y a pas de cadre %1 (1 à %2).").arg(n).arg(count));
        if (seen[std::size_t(n - 1)])
            throw Error(QStringLiteral("--order : le cadre %1 est donné deux fois.").arg(n));
        seen[std::size_t(n - 1)] = true;
        order.push_back(n - 1);
    }
    return order;
}

// "3-10,15": frame numbers from 1 and ranges of them, in any order; the
// frames they name, from 0, in order and each once.
std::vector<int> frameList(const QString& list, int count)
{
    std::vector<int> frames;
    for (const QString& item : list.split(QLatin1Char(','))) {
        const QStringList ends = item.trimmed().split(QLatin1Char('-'));
        bool okFirst = false, okLast = ends.size() == 1;
        const int first = ends[0].trimmed().toInt(&okFirst);
        const int last = ends.size() == 2 ? ends[1].trimmed().toInt(&okLast) : first;
        if (ends.size() > 2 || !okFirst || !okLast)
            throw Error(QStringLiteral("--frames : « %1 » n'est ni un numéro de cadre ni une suite « 3-10 ».").arg(item));
        if (first > last)
            throw Error(QStringLiteral("--frames : la suite « %1 » va à l'envers.").arg(item));
        for (int n : {first, last})
            if (n < 1 || n > count)
                throw Error(QStringLiteral("--frames : il n'y a pas de cadre %1 (1 à %2).").arg(n).arg(count));
        for (int n = first; n <= last; ++n)
            frames.push_back(n - 1);
    }
    return frameops::normalised(std::move(frames), count);
}

// "200%" or "200": a speed in percent.
int percentOf(const QString& text)
{
    QString digits = text.trimmed();
    if (digits.endsWith(QLatin1Char('%')))
        digits.chop(1);
    bool ok = false;
    const int percent = digits.trimmed().toInt(&ok);
    if (!ok)
        throw Error(QStringLiteral("--speed attend un pourcentage (200%), pas « %1 ».").arg(text));
    return percent;
}

// "Family,Size[,bold][,italic]"
editing::TextFont parseFont(const QString& text, editing::TextFont font)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() < 2 || parts[0].trimmed().isEmpty())
        throw Error(QStringLiteral("--font attend « Famille,Taille[,bold][,italic] », pas « %1 ».").arg(text));
    font.family = parts[0].trimmed();
    font.pointSize = number(parts[1].trimmed(), QStringLiteral("--font"));
    if (font.pointSize <= 0 || font.pointSize > 1000)
        throw Error(QStringLiteral("--font : la taille doit être comprise entre 1 et 1000."));
    for (const QString& style : parts.mid(2)) {
        if (style.trimmed() == QLatin1String("bold"))
            font.bold = true;
        else if (style.trimmed() == QLatin1String("italic"))
            font.italic = true;
        else
            throw Error(QStringLiteral("--font : style inconnu « %1 » (bold, italic).").arg(style));
    }
    return font;
}

// "WxH" as a frame size the editor takes.
QSize frameSize(const QString& text, const QString& option)
{
    const auto [w, h] = pair(text, 'x', option);
    const QSize size(number(w, option), number(h, option));
    if (!pictureSizeAllowed(size.width(), size.height()))
        throw Error(QStringLiteral("%1 : la taille %2 n'est pas possible.").arg(option, text));
    return size;
}

// The line every command that writes an animation ends with; exit code 0.
int written(QTextStream& out, const QString& path, const TChild& c)
{
    out << displayName(path) << ": " << c.ImageList1.count() << " frames of " << c.ImageList1.width() << " x "
        << c.ImageList1.height() << '\n';
    return 0;
}

// Opens an animation, or imports a picture as a one-frame animation.
void openInput(TChild& child, const QString& path)
{
    const FileKind kind = fileKindOf(path);
    if (kind == FileKind::Gif || kind == FileKind::Avi) {
        child.Charge(path);
        return;
    }
    child.importPicture(path);
    child.EcritCadre();
    child.CurrentIndex = 0;
    child.LitCadre();
}

// The value following option args[i]; i moves onto it.
QString nextValue(const QStringList& args, qsizetype& i)
{
    if (i + 1 >= args.size())
        throw Error(QStringLiteral("%1 attend une valeur.").arg(args[i]));
    return args[++i];
}

// --colours, --bits, --dither and --lossy, gathered while the arguments are
// read and checked together once all are known.
struct ReductionOptions {
    std::optional<int> method, bits, dither, lossy;

    // Takes `option` when it is one of the four; `value` gives its value.
    bool take(const QString& option, const std::function<QString()>& value)
    {
        if (option == "--colours") {
            const QString v = value();
            for (const tools::Reduction& r : tools::reductions())
                if (v == QLatin1String(r.name))
                    method = r.method;
            if (!method)
                throw Error(QStringLiteral("--colours attend auto, web, optimised, grey, grey4 ou mono, pas %1.").arg(v));
        } else if (option == "--bits") {
            bits = number(value(), option);
        } else if (option == "--dither") {
            const QString v = value();
            const qsizetype at = tools::ditherNames().indexOf(v);
            if (at < 0)
                throw Error(QStringLiteral("--dither attend %1, pas %2.").arg(tools::ditherNames().join(", "), v));
            dither = int(at);
        } else if (option == "--lossy") {
            lossy = number(value(), option);
            if (*lossy < 0 || *lossy > AnimationSettings::kMaxLossy)
                throw Error(QStringLiteral("--lossy va de 0 à %1 (%2 refusé).").arg(AnimationSettings::kMaxLossy).arg(*lossy));
        } else {
            return false;
        }
        return true;
    }

    // Refuses what makes no sense together, then sets what was given.
    void apply(TChild& child) const
    {
        const int m = method.value_or(child.ColorReduction), b = bits.value_or(m == 7 ? child.ReductionBits : 8);
        const int d = dither.value_or(child.DitherMode);
        if (const QString error = tools::reductionError(m, b, d); !error.isEmpty())
            throw Error(error);
        child.ColorReduction = m;
        child.ReductionBits = b;
        child.DitherMode = d;
        if (lossy)
            child.LossyTolerance = *lossy;
    }
};

// --global-palette, --merge and --crop: the optimisation dialog's three boxes.
struct OptimisationFlags {
    bool global = false, merge = false, crop = false;

    bool take(const QString& option)
    {
        bool* flag = option == "--global-palette" ? &global : option == "--merge" ? &merge
                   : option == "--crop"           ? &crop
                                                  : nullptr;
        if (flag)
            *flag = true;
        return flag != nullptr;
    }
    void apply(TChild& child) const
    {
        child.RemoveLocalPalettes = global;
        child.MergeDuplicatePixels = merge;
        child.RemoveUselessFrames = crop;
    }
};

// An AVI output name: the whole animation is written as a video.
bool aviName(const QString& path)
{
    return QFileInfo(path).suffix().compare(QStringLiteral("avi"), Qt::CaseInsensitive) == 0;
}

void writeOutput(TChild& child, const QString& path)
{
    const bool animation = formats::animationFormatOf(path) && QFileInfo(path).suffix().toLower() != "png";
    if (aviName(path) || animation || pictureOutputKind(path) == FileKind::Gif) {
        child.FileName = path;
        child.VideoSource.clear();
        child.Sauve(0);
    } else {
        child.EcritCadre();
        child.exportPicture(path);
    }
}

} // namespace

int documentMake(const QStringList& args, QTextStream& out, QTextStream& err)
{
    QStringList inputs;
    std::optional<int> loop, delay;
    std::optional<QSize> size;
    std::optional<std::pair<std::int64_t, std::int64_t>> range;
    int width = 0;
    double fps = 0;
    int quality = -1;
    bool lossless = false;
    bool transparent = false, dryRun = false;
    OptimisationFlags flags;
    ReductionOptions reduction;
    try {
        bool options = true;  // until "--": what follows it are file names
        for (qsizetype i = 0; i < args.size(); ++i) {
            const QString& a = args[i];
            const auto value = [&] { return nextValue(args, i); };
            if (!options) {
                inputs << a;
            } else if (a == "--") {
                options = false;
            } else if (reduction.take(a, value)) {
                continue;
            } else if (a == "--dry-run") {
                dryRun = true;
            } else if (a == "--loop" || a == "--delay") {
                (a == "--loop" ? loop : delay) = number(value(), a);
                if (const QString error = tools::fieldRangeError(a, args[i]); !error.isEmpty())
                    throw Error(error);
            } else if (a == "--transparent") {
                transparent = true;
            } else if (a == "--size") {
                size = frameSize(value(), a);
            } else if (a == "--range") {
                const auto [first, last] = pair(value(), '-', a);
                range = std::pair<std::int64_t, std::int64_t>(number(first, a), number(last, a));
                if (range->first < 0)
                    throw Error(QStringLiteral("%1 attend FIRST-LAST, des positions à partir de 0.").arg(a));
            } else if (a == "--width") {
                width = number(value(), a);
                if (width <= 0)
                    throw Error(QStringLiteral("%1 attend une largeur positive.").arg(a));
            } else if (a == "--fps") {
                const QString v = value();
                bool ok = false;
                fps = v.toDouble(&ok);
                if (!ok || !(fps > 0) || fps > 1000)
                    throw Error(QStringLiteral("%1 attend un nombre d'images par seconde positif, pas « %2 ».").arg(a, v));
            } else if (a == "--quality") {
                quality = number(value(), a);
                if (quality < 0 || quality > 100)
                    throw Error(QStringLiteral("%1 attend un nombre de 0 à 100.").arg(a));
            } else if (a == "--lossless") {
                lossless = true;
            } else if (flags.take(a)) {
                continue;
            } else if (a.startsWith("--")) {
                throw Error(QStringLiteral("option inconnue : %1").arg(a));
            } else {
                inputs << a;
            }
        }
        if (inputs.size() < 2)
            return failed(err, QStringLiteral("usage: orugif make OUT.gif|.avi|.mp4|.webm|.webp|.png INPUT... [--loop N] [--delay D] "
                                              "[--transparent] [--global-palette] [--merge] [--crop] "
                                              "[--colours auto|web|optimised|grey|grey4|mono [--bits N]] "
                                              "[--dither none|floyd|stucki|sierra|jjn|stevenson|burkes] [--lossy N] [--dry-run] "
                                              "[--range FIRST-LAST] [--width W] [--fps N] [--quality Q] [--lossless]"));
        const QString output = inputs.takeFirst();
        animationOutputKind(output);  // refused before anything is read or written
        Headless h;
        TChild& c = h.child;
        h.prompts.videoRange = range;
        h.prompts.videoWidth = width;
        h.prompts.videoRate = fps;
        h.prompts.warnings = &err;
        const FileKind first = fileKindOf(inputs.front());
        if (inputs.size() == 1 && (first == FileKind::Gif || first == FileKind::Avi)) {
            c.Charge(inputs.front());
        } else {
            // The animation wizard's rules: one frame a picture, at its
            // top-left corner, on frames of the first picture's size or of --size.
            AnimationWizardResult wizard;
            wizard.sizeMode = size ? 1 : 0;
            if (size) {
                wizard.width = size->width();
                wizard.height = size->height();
            }
            wizard.repeatCount = 0;
            wizard.delay = c.FrameDelay;
            wizard.files = inputs;
            c.buildAnimation(wizard);
        }
        if (loop) {
            c.RepeatCount = *loop;
            c.loopExtension = true;
        }
        if (delay) {
            c.FrameDelay = *delay;
            c.ImageList1.clearDelays();  // every frame's, as the properties dialog does
        }
        c.TransparentBackground = c.TransparentBackground || transparent;
        flags.apply(c);
        reduction.apply(c);
        if (dryRun) {
            // The bytes saving would write, built the same way; nothing is written.
            c.EcritCadre();
            const std::int64_t bytes = tools::estimatedSize(c.framesAsSaved(), c.settings());
            out << QStringLiteral("Taille : %1 octets").arg(tools::groupedDigits(bytes)) << '\n';
            return 0;
        }
        c.AnimationQuality = quality;
        c.AnimationLossless = lossless;
        // The name typed is where the animation goes, even over its source.
        c.FileName = output;
        c.VideoSource.clear();
        c.Sauve(0);
        return written(out, output, c);
    } catch (const std::exception& e) {
        return failed(err, messageOf(e));
    }
}

int documentEdit(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (args.size() < 2)
        return failed(err, QStringLiteral("usage: orugif edit IN OUT [--frame N|all] [--frames LIST] OPERATION..."));
    try {
        // A PNG name is the current frame; .mp4, .webm and .webp the animation.
        if (!aviName(args[1]) && (!formats::animationFormatOf(args[1]) || QFileInfo(args[1]).suffix().toLower() == "png"))
            pictureOutputKind(args[1]);  // refused before anything is read or written
        Headless h;
        TChild& c = h.child;
        HeadlessPrompts& p = h.prompts;
        p.warnings = &err;
        openInput(c, args[0]);
        bool allFrames = false;
        bool someFrames = false;  // --frames: the document's selection
        ReductionOptions reduction;

        // The frames --speed and --drop-every act on: those of --frames or
        // --frame, every frame when neither was given.
        bool frameChosen = false;
        const auto chosenFrames = [&] {
            if (someFrames)
                return c.selectedFrames();
            if (frameChosen && !allFrames)
                return std::vector<int>{c.CurrentIndex};
            std::vector<int> every(std::size_t(c.ImageList1.count()));
            for (std::size_t k = 0; k < every.size(); ++k)
                every[k] = int(k);
            return every;
        };

        // Runs a per-frame operation on the current frame, on the frames of
        // --frames (the document acts on every selected frame at once), or
        // on every frame.
        const auto perFrame = [&](const std::function<void()>& operation) {
            if (someFrames && c.selectedFrames().empty())
                return;  // --drop-every or a delete left none of them
            if (someFrames && c.selectedFrames().size() == 1 && c.CurrentIndex != c.selectedFrames().front())
                c.goToFrame(c.selectedFrames().front());
            if (!allFrames) {
                operation();
                return;
            }
            const int current = c.CurrentIndex;
            for (int i = 0; i < c.ImageList1.count(); ++i) {
                c.EcritCadre();
                c.CurrentIndex = i;
                c.LitCadre();
                operation();
                c.EcritCadre();
            }
            c.CurrentIndex = current;
            c.LitCadre();
        };

        for (qsizetype i = 2; i < args.size(); ++i) {
            const QString& a = args[i];
            const auto value = [&] { return nextValue(args, i); };
            if (reduction.take(a, value)) {
                continue;
            } else if (a == "--frames") {
                std::vector<int> frames = frameList(value(), c.ImageList1.count());
                c.EcritCadre();
                c.CurrentIndex = frames.front();
                c.LitCadre();
                c.setSelectedFrames(std::move(frames));
                someFrames = true;
                allFrames = false;
            } else if (a == "--speed") {
                const int percent = percentOf(value());
                c.changeSpeed(chosenFrames(), percent);
            } else if (a == "--drop-every") {
                const int n = number(value(), a);
                c.dropEveryNth(chosenFrames(), n);
            } else if (a == "--frame") {
                const QString v = value();
                frameChosen = true;
                someFrames = false;
                c.setSelectedFrames({});
                allFrames = v == "all";
                if (!allFrames) {
                    const int n = number(v, a);
                    if (!c.ImageList1.contains(n))
                        throw Error(QStringLiteral("il n'y a pas de cadre %1 (0 à %2).").arg(n).arg(c.ImageList1.count() - 1));
                    c.EcritCadre();
                    c.CurrentIndex = n;
                    c.LitCadre();
                }
            } else if (a == "--delay") {
                const QString v = value();
                const int delay = number(v, a);
                if (someFrames)
                    c.setFramesDelay(c.selectedFrames(), delay);
                else
                    perFrame([&] { c.setFrameDelay(c.CurrentIndex, delay); });
            } else if (a == "--mirror-h") {
                perFrame([&] { c.MiroirH(); });
            } else if (a == "--mirror-v") {
                perFrame([&] { c.MiroirV(); });
            } else if (a == "--rotate") {
                const QString v = value();
                p.rotation = v == "left" ? 1 : v == "right" ? 2 : v == "180" ? 3 : 0;
                if (p.rotation == 0)
                    throw Error(QStringLiteral("--rotate attend left, right ou 180."));
                perFrame([&] { c.Rotation(); });
            } else if (a == "--move") {
                const auto [dx, dy] = pair(value(), ',', a);
                p.move = QPoint(number(dx, a), number(dy, a));
                perFrame([&] { c.Deplacer(); });
            } else if (a == "--resize" || a == "--resample") {
                const auto [w, hh] = pair(value(), 'x', a);
                p.size = QSize(number(w, a), number(hh, a));
                if (p.size.width() <= 0 || p.size.height() <= 0)
                    throw Error(QStringLiteral("%1 attend une taille positive.").arg(a));
                if (a == "--resize")
                    c.Taille();
                else
                    c.Rechantilloner();
            } else if (a == "--effect") {
                const QString name = value();
                p.effect = int(editing::effectNames().indexOf(name));
                if (p.effect < 0)
                    throw Error(QStringLiteral("effet inconnu : %1 (%2)").arg(name, editing::effectNames().join(", ")));
                perFrame([&] { c.Speciaux(); });
            } else if (a == "--transition-after" || a == "--transition-before") {
                const auto [kind, count] = pair(value(), ',', a);
                p.transition.kind = int(editing::transitionNames().indexOf(kind));
                p.transition.count = number(count, a);
                if (p.transition.kind < 0)
                    throw Error(QStringLiteral("transition inconnue : %1 (%2)").arg(kind, editing::transitionNames().join(", ")));
                // The dialog's range: nothing is made of a count it refuses.
                if (p.transition.count < 0 || p.transition.count > editing::kMaxTransitionFrames)
                    throw Error(QStringLiteral("%1 attend un nombre de cadres de 0 à %2, pas %3.")
                                    .arg(a)
                                    .arg(editing::kMaxTransitionFrames)
                                    .arg(p.transition.count));
                if (a == "--transition-after")
                    c.TransApres();
                else
                    c.TransAvant();
            } else if (a == "--order") {
                const std::vector<int> order = frameOrder(value(), c.ImageList1.count());
                c.EcritCadre();
                c.reorderFrames(order);
            } else {
                throw Error(QStringLiteral("opération inconnue : %1").arg(a));
            }
        }
        reduction.apply(c);
        writeOutput(c, args[1]);
        return written(out, args[1], c);
    } catch (const std::exception& e) {
        return failed(err, messageOf(e));
    }
}

int documentBanner(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (args.isEmpty())
        return failed(err, QStringLiteral("usage: orugif banner OUT.gif --text TEXT [OPTION...]"));
    try {
        const QString output = args[0];
        if (kindFromName(output) != FileKind::Gif)
            throw Error(QStringLiteral("%1 : une bannière s'enregistre en .gif.").arg(output));
        BannerWizardResult banner;  // the dialog's defaults
        for (qsizetype i = 1; i < args.size(); ++i) {
            const QString& a = args[i];
            const auto value = [&]() -> QString {
                if (i + 1 >= args.size())
                    throw Error(QStringLiteral("%1 attend une valeur.").arg(a));
                return args[++i];
            };
            if (a == "--text") {
                banner.text = value();
            } else if (a == "--effect") {
                banner.effect = value();
                if (!editing::bannerEffects().contains(banner.effect))
                    throw Error(QStringLiteral("effet inconnu : %1 (%2)")
                                    .arg(banner.effect, editing::bannerEffects().join(", ")));
            } else if (a == "--frames") {
                // The wizard's empty animation of no frame has no use here: a
                // banner file has at least one frame.
                banner.frames = number(value(), a);
                if (banner.frames < 1)
                    throw Error(QStringLiteral("Une bannière a au moins 1 cadre (%1 demandés).").arg(banner.frames));
            } else if (a == "--size") {
                const QSize size = frameSize(value(), a);
                banner.sizeMode = 1;
                banner.width = size.width();
                banner.height = size.height();
            } else if (a == "--font") {
                banner.font = parseFont(value(), banner.font);
            } else if (a == "--colour") {
                const QString v = value();
                const QColor colour(QLatin1Char('#') + v);
                if (v.size() != 6 || !colour.isValid())
                    throw Error(QStringLiteral("--colour attend RRGGBB en hexadécimal, pas « %1 ».").arg(v));
                banner.font.colour = fromQColor(colour);
            } else if (a == "--loop" || a == "--delay") {
                const QString v = value();
                if (const QString error = tools::fieldRangeError(a, v); !error.isEmpty())
                    throw Error(error);
                (a == "--loop" ? banner.repeatCount : banner.delay) = number(v, a);
            } else if (a == "--transparent") {
                banner.transparent = true;
            } else {
                throw Error(QStringLiteral("option inconnue : %1").arg(a));
            }
        }
        if (banner.text.isEmpty())
            throw Error(QStringLiteral("--text attend le texte de la bannière."));
        Headless h;
        TChild& c = h.child;
        c.buildBanner(banner);
        // The name typed is where the animation goes, even over its source.
        c.FileName = output;
        c.VideoSource.clear();
        c.Sauve(0);
        return written(out, output, c);
    } catch (const std::exception& e) {
        return failed(err, messageOf(e));
    }
}

int documentHtml(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (args.isEmpty())
        return failed(err, QStringLiteral("usage: orugif html FILE.gif [--link URL] [--alt TEXT] [--border N]"));
    try {
        QString link, alt;
        int border = 0;
        for (qsizetype i = 1; i < args.size(); ++i) {
            const QString& a = args[i];
            if (i + 1 >= args.size())
                throw Error(QStringLiteral("%1 attend une valeur.").arg(a));
            const QString v = args[++i];
            if (a == "--link") {
                if (tools::isScriptLink(v))
                    throw Error(QStringLiteral("Le lien %1 exécuterait un script dans le navigateur : il est refusé.").arg(v));
                link = v;
            }
            else if (a == "--alt")
                alt = v;
            else if (a == "--border")
                border = number(v, a);
            else
                throw Error(QStringLiteral("option inconnue : %1").arg(a));
        }
        // The tag names the file without its folder, at its logical screen size.
        gif::TGIFImage image;
        image.LoadFromFile(args[0]);
        out << tools::htmlTag(QFileInfo(args[0]).fileName(), tools::sizeText(image.Width(), image.Height()), link,
                              alt, QString::number(border))
            << '\n';
        return 0;
    } catch (const std::exception& e) {
        return failed(err, messageOf(e));
    }
}

namespace {

std::atomic<bool> interrupted{false};
extern "C" void onInterrupt(int) { interrupted = true; }

// "X,Y,W,H" as a rectangle of the screen.
QRect regionOf(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        throw Error(QStringLiteral("--region attend X,Y,W,H, pas « %1 ».").arg(text));
    const QRect r(number(parts[0], "--region"), number(parts[1], "--region"), number(parts[2], "--region"),
                  number(parts[3], "--region"));
    if (r.width() <= 0 || r.height() <= 0)
        throw Error(QStringLiteral("--region : la largeur et la hauteur doivent être positives."));
    return r;
}

// A window id in decimal or 0x hexadecimal, as xwininfo and xdotool print them.
std::uint32_t windowId(const QString& text)
{
    bool ok = false;
    const qulonglong id = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? text.mid(2).toULongLong(&ok, 16)
                                                                                   : text.toULongLong(&ok, 10);
    if (!ok || id == 0 || id > 0xffffffffull)
        throw Error(QStringLiteral("--window attend l'identifiant d'une fenêtre, pas « %1 ».").arg(text));
    return std::uint32_t(id);
}

} // namespace

int documentRecord(const QStringList& args, QTextStream& out, QTextStream& err)
{
    QString output;
    std::optional<QRect> region;
    std::optional<std::uint32_t> window;
    int fps = 15;
    double duration = 0;
    bool cursor = false;
    OptimisationFlags flags;
    std::optional<int> loop;
    ReductionOptions reduction;
    try {
        for (qsizetype i = 0; i < args.size(); ++i) {
            const QString& a = args[i];
            const auto value = [&] { return nextValue(args, i); };
            if (reduction.take(a, value)) {
                continue;
            } else if (a == "--region") {
                region = regionOf(value());
            } else if (a == "--window") {
                window = windowId(value());
            } else if (a == "--fps") {
                fps = number(value(), a);
                if (fps < 1 || fps > 60)
                    throw Error(QStringLiteral("--fps attend un nombre d'images par seconde de 1 à 60."));
            } else if (a == "--duration") {
                const QString v = value();
                bool ok = false;
                duration = v.toDouble(&ok);
                if (!ok || !(duration > 0) || duration > 24 * 3600)
                    throw Error(QStringLiteral("--duration attend une durée positive en secondes, pas « %1 ».").arg(v));
            } else if (a == "--cursor") {
                cursor = true;
            } else if (a == "--loop") {
                loop = number(value(), a);
                if (const QString error = tools::fieldRangeError(a, args[i]); !error.isEmpty())
                    throw Error(error);
            } else if (flags.take(a)) {
                continue;
            } else if (a.startsWith("--")) {
                throw Error(QStringLiteral("option inconnue : %1").arg(a));
            } else if (output.isEmpty()) {
                output = a;
            } else {
                throw Error(QStringLiteral("un seul fichier de sortie, pas « %1 ».").arg(a));
            }
        }
        if (output.isEmpty())
            return failed(err, QStringLiteral("usage: orugif record OUT.gif [--region X,Y,W,H|--window ID] [--fps N] "
                                              "[--duration S] [--cursor] [--loop N] [--global-palette] [--merge] "
                                              "[--crop] [--colours ...] [--bits N] [--dither MODE] [--lossy N]"));
        if (region && window)
            throw Error(QStringLiteral("--region et --window ne vont pas ensemble."));
        animationOutputKind(output);  // refused before anything is recorded
        Headless h;
        TChild& c = h.child;
        h.prompts.warnings = &err;
        reduction.apply(c);  // checked before recording

        QString why;
        const std::unique_ptr<record::ScreenSource> screen = record::openScreen(&why);
        if (!screen)
            throw Error(why);
        if (window && !screen->traits().windowsByPlace)
            throw Error(QString::fromUtf8("--window demande une session X11 : sous Wayland, les fenêtres des autres "
                                          "programmes n'ont pas d'identifiant. Enregistrez une zone (--region) "
                                          "autour de la fenêtre."));
        // Under Wayland the desktop may ask which screen to share.
        switch (screen->share(cursor, false, &why)) {
        case record::ScreenSource::Sharing::Cancelled:
            throw Error(QString::fromUtf8("Enregistrement annulé : le partage de l'écran n'a pas été accepté."));
        case record::ScreenSource::Sharing::Failed:
            throw Error(why);
        case record::ScreenSource::Sharing::Ready:
            break;
        }
        QRect area = screen->screenRect();
        if (window) {
            const std::optional<QRect> r = screen->windowRect(*window);
            if (!r)
                throw Error(QStringLiteral("Il n'y a pas de fenêtre 0x%1.").arg(*window, 0, 16));
            area = *r;
        } else if (region) {
            area = *region;
        }
        area = area.intersected(screen->screenRect());
        if (area.isEmpty())
            throw Error(QStringLiteral("La zone à enregistrer est hors de l'écran."));

        record::RecordOptions options{area, fps, cursor};
        options.pixelLimit = animationPixelLimit();
        options.duration = std::int64_t(duration * 1e6);
        record::Recorder recorder(*screen, options);
        interrupted = false;
        struct sigaction action {}, oldInt {}, oldTerm {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &oldInt);
        sigaction(SIGTERM, &action, &oldTerm);
        err << QStringLiteral("Enregistrement de %1 x %2 à %3, %4 images par seconde%5...")
                   .arg(area.width()).arg(area.height())
                   .arg(QStringLiteral("%1,%2").arg(area.x()).arg(area.y()))
                   .arg(fps)
                   .arg(duration > 0 ? QStringLiteral(" pendant %1 s").arg(duration)
                                     : QStringLiteral(" (Ctrl+C pour arrêter)"))
            << '\n';
        err.flush();
        recorder.start();
        while (!recorder.done() && !interrupted)
            QThread::msleep(20);
        recorder.stop();
        sigaction(SIGINT, &oldInt, nullptr);
        sigaction(SIGTERM, &oldTerm, nullptr);
        if (recorder.stoppedItself())
            h.prompts.warn(recorder.stopReason());
        if (recorder.ticksMissed() > 0)
            h.prompts.tell(QStringLiteral("%1 images n'ont pu être prises à temps : les précédentes durent plus longtemps.")
                               .arg(recorder.ticksMissed()));
        const record::Recording& recording = recorder.recording();
        if (recording.frameCount() == 0)
            throw Error(QStringLiteral("Aucune image n'a été enregistrée."));
        c.openRecording(recording.frames(), recording.delays());
        reduction.apply(c);  // what was given wins over the recording's own palette
        if (loop) {
            c.RepeatCount = *loop;
            c.loopExtension = true;
        }
        flags.apply(c);
        writeOutput(c, output);
        return written(out, output, c);
    } catch (const std::exception& e) {
        return failed(err, messageOf(e));
    }
}

} // namespace orugif::cli

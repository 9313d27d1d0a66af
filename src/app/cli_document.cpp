#include "app/cli_document.h"

#include "common/error.h"
#include "document/child.h"
#include "document/clipboard.h"
#include "document/picturefile.h"
#include "document/prompts.h"
#include "editing/effects.h"
#include "editing/transitions.h"
#include "tools/optimisation.h"
#include "tools/properties.h"

#include <QFileInfo>
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
    int runRotation() override { return rotation; }
    QPoint runMove(int, int) override { return move; }
    QSize runResize(int, int) override { return size; }
    QImage runEffects(const QImage& picture) override
    {
        QImage result = picture;
        editing::Effects().apply(result, effect);
        return result;
    }
    TransitionChoice runTransition(bool, const QImage&) override { return transition; }

    int rotation = 0;
    QPoint move;
    QSize size;
    int effect = -1;
    TransitionChoice transition;
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

// --colours, --bits and --dither, gathered while the arguments are read and
// checked together once all are known.
struct ReductionOptions {
    std::optional<int> method, bits, dither;

    // Takes `option` when it is one of the three; `value` gives its value.
    bool take(const QString& option, const std::function<QString()>& value)
    {
        if (option == "--colours") {
            const QString v = value();
            for (const tools::Reduction& r : tools::reductions())
                if (v == QLatin1String(r.name))
                    method = r.method;
            if (!method)
                throw Error(QStringLiteral("--colours attend web, optimised, grey, grey4 ou mono, pas %1.").arg(v));
        } else if (option == "--bits") {
            bits = number(value(), option);
        } else if (option == "--dither") {
            const QString v = value();
            const qsizetype at = tools::ditherNames().indexOf(v);
            if (at < 0)
                throw Error(QStringLiteral("--dither attend %1, pas %2.").arg(tools::ditherNames().join(", "), v));
            dither = int(at);
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
    }
};

void writeOutput(TChild& child, const QString& path)
{
    if (kindFromName(path) == FileKind::Gif) {
        child.FileName = path;
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
    bool transparent = false, global = false, merge = false, crop = false, dryRun = false;
    ReductionOptions reduction;
    try {
        for (qsizetype i = 0; i < args.size(); ++i) {
            const QString& a = args[i];
            const auto value = [&] { return nextValue(args, i); };
            if (reduction.take(a, value)) {
                continue;
            } else if (a == "--dry-run") {
                dryRun = true;
            } else if (a == "--loop" || a == "--delay") {
                (a == "--loop" ? loop : delay) = number(value(), a);
                if (const QString error = tools::fieldRangeError(a, args[i]); !error.isEmpty())
                    throw Error(error);
            } else if (a == "--transparent") {
                transparent = true;
            } else if (a == "--global-palette") {
                global = true;
            } else if (a == "--merge") {
                merge = true;
            } else if (a == "--crop") {
                crop = true;
            } else if (a.startsWith("--")) {
                throw Error(QStringLiteral("option inconnue : %1").arg(a));
            } else {
                inputs << a;
            }
        }
        if (inputs.size() < 2)
            return failed(err, QStringLiteral("usage: orugif make OUT.gif INPUT... [--loop N] [--delay D] "
                                              "[--transparent] [--global-palette] [--merge] [--crop] "
                                              "[--colours web|optimised|grey|grey4|mono [--bits N]] "
                                              "[--dither none|floyd|stucki|sierra|jjn|stevenson|burkes] [--dry-run]"));
        const QString output = inputs.takeFirst();
        Headless h;
        TChild& c = h.child;
        const FileKind first = fileKindOf(inputs.front());
        if (inputs.size() == 1 && (first == FileKind::Gif || first == FileKind::Avi)) {
            c.Charge(inputs.front());
        } else {
            // One frame a picture, each centred on a white frame of the
            // first picture's size.
            for (qsizetype i = 0; i < inputs.size(); ++i) {
                if (i > 0)
                    c.Ajouter();
                c.importPicture(inputs[i]);
            }
            c.RepeatCount = 0;
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
        c.RemoveLocalPalettes = global;
        c.MergeDuplicatePixels = merge;
        c.RemoveUselessFrames = crop;
        reduction.apply(c);
        if (dryRun) {
            // The bytes saving would write, built the same way; nothing is written.
            c.EcritCadre();
            const std::int64_t size = tools::estimatedSize(c.framesAsSaved(), c.settings());
            out << QStringLiteral("Taille : %1 octets").arg(tools::groupedDigits(size)) << '\n';
            return 0;
        }
        c.FileName = output;
        c.Sauve(0);
        out << output << ": " << c.ImageList1.count() << " frames of " << c.ImageList1.width() << " x "
            << c.ImageList1.height() << '\n';
        return 0;
    } catch (const std::exception& e) {
        return failed(err, QString::fromUtf8(e.what()));
    }
}

int documentEdit(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (args.size() < 2)
        return failed(err, QStringLiteral("usage: orugif edit IN OUT [--frame N|all] OPERATION..."));
    try {
        Headless h;
        TChild& c = h.child;
        HeadlessPrompts& p = h.prompts;
        openInput(c, args[0]);
        bool allFrames = false;
        ReductionOptions reduction;

        // Runs a per-frame operation on the current frame, or on every frame.
        const auto perFrame = [&](const std::function<void()>& operation) {
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
            } else if (a == "--frame") {
                const QString v = value();
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
            } else {
                throw Error(QStringLiteral("opération inconnue : %1").arg(a));
            }
        }
        reduction.apply(c);
        writeOutput(c, args[1]);
        out << args[1] << ": " << c.ImageList1.count() << " frames of " << c.ImageList1.width() << " x "
            << c.ImageList1.height() << '\n';
        return 0;
    } catch (const std::exception& e) {
        return failed(err, QString::fromUtf8(e.what()));
    }
}

} // namespace orugif::cli

#include "app/cli.h"

#include "app/cli_document.h"
#include "app/cli_gif.h"
#include "common/filename.h"

#include <QCoreApplication>
#include <array>
#include <cstring>

namespace orugif::cli {

namespace {

int printVersion(const QStringList&, QTextStream& out, QTextStream&)
{
    out << "Oru Gif " << QCoreApplication::applicationVersion() << '\n';
    return 0;
}

const std::array kCommands{
    Command{"--version", "--version", printVersion},
    Command{"info", "info FILE.gif|VIDEO", gifInfo},
    Command{"frames", "frames FILE.gif DIR [--raw]", gifFrames},
    Command{"recode", "recode IN.gif OUT.gif [--lossy N]", gifRecode},
    Command{"make",
            "make OUT.gif|OUT.avi INPUT... [--size WxH] [--loop N] [--delay D] [--transparent] [--global-palette] "
            "[--merge] [--crop] [--colours auto|web|optimised|grey|grey4|mono [--bits N]] [--dither MODE] [--dry-run] "
            "[--range FIRST-LAST] [--width W]",
            documentMake},
    Command{"edit", "edit IN OUT [--frame N|all] OPERATION...", documentEdit},
    Command{"banner",
            "banner OUT.gif --text TEXT [--effect E] [--frames N] [--size WxH] [--font \"Family,Size[,bold][,italic]\"] "
            "[--colour RRGGBB] [--loop N] [--delay D] [--transparent]",
            documentBanner},
    Command{"record",
            "record OUT.gif [--region X,Y,W,H|--window ID] [--fps N] [--duration S] [--cursor] [--loop N] "
            "[--global-palette] [--merge] [--crop] [--colours ...] [--dither MODE] [--lossy N]",
            documentRecord},
    Command{"html", "html FILE.gif [--link URL] [--alt TEXT] [--border N]", documentHtml},
};

void printUsage(QTextStream& err)
{
    err << "usage: orugif [FILE]\n";
    for (const Command& c : kCommands)
        err << "       orugif " << c.usage << '\n';
}

} // namespace

std::span<const Command> commands() { return kCommands; }

QStringList argumentsOf(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << fileNameFromBytes(argv[i]);
    return args;
}

bool isHeadless(int argc, char** argv)
{
    if (argc < 2)
        return false;
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)
        return true;
    for (const Command& c : kCommands)
        if (std::strcmp(argv[1], c.name) == 0)
            return true;
    return false;
}

int run(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (!args.isEmpty()) {
        for (const Command& c : kCommands)
            if (args.front() == QLatin1String(c.name))
                return c.run(args.mid(1), out, err);
    }
    printUsage(err);
    return args.isEmpty() || args.front() == "--help" || args.front() == "-h" ? 0 : 2;
}

} // namespace orugif::cli

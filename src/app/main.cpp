// Program entry: headless sub-commands, or the editor with its main window.
#include "app/cli.h"

#include <QApplication>
#include <QGuiApplication>
#include <cstdio>

namespace {

void describeApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Oru Gif"));
    QCoreApplication::setOrganizationName(QStringLiteral("OruGif"));
    QCoreApplication::setApplicationVersion(QStringLiteral("3.0"));
}

// A command-line tool prints only its own output: the toolkit's warnings
// about the environment (no runtime folder, fonts, ...) are dropped, its
// fatal errors still shown.
void quietToolkit(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

int runHeadless(int argc, char** argv)
{
    const QStringList args = orugif::cli::argumentsOf(argc, argv);
    qInstallMessageHandler(quietToolkit);
    // Sub-commands need no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int appArgc = 1;
    char* appArgv[] = {argv[0], nullptr};
    QGuiApplication app(appArgc, appArgv);
    describeApplication();
    QTextStream out(stdout);
    QTextStream err(stderr);
    return orugif::cli::run(args, out, err);
}

} // namespace

int runEditor(char* program, const QStringList& files);

int main(int argc, char** argv)
{
    if (orugif::cli::isHeadless(argc, argv))
        return runHeadless(argc, argv);
    // The editor's arguments are file names, all of them; the toolkit's
    // options are chosen through its environment variables (QT_QPA_PLATFORM, ...).
    return runEditor(argv[0], orugif::cli::argumentsOf(argc, argv));
}

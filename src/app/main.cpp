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
    // The sub-command's arguments are taken before the application object
    // exists and never reach it: a file named like a toolkit option
    // ("-reverse", "-platform", ...) stays a file name.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
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

int runEditor(int argc, char** argv);

int main(int argc, char** argv)
{
    if (orugif::cli::isHeadless(argc, argv))
        return runHeadless(argc, argv);
    return runEditor(argc, argv);
}

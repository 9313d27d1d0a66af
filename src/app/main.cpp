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

int runHeadless(int argc, char** argv)
{
    // Sub-commands need no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    describeApplication();
    QTextStream out(stdout);
    QTextStream err(stderr);
    return orugif::cli::run(app.arguments().mid(1), out, err);
}

} // namespace

int runEditor(int argc, char** argv);

int main(int argc, char** argv)
{
    if (orugif::cli::isHeadless(argc, argv))
        return runHeadless(argc, argv);
    return runEditor(argc, argv);
}

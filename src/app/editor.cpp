// Starts the editor: splash, French translations, the main window and its one
// document, then the event loop.
#include "app/aboutbox.h"
#include "app/dropplan.h"
#include "app/mainform.h"
#include "app/translation.h"
#include "document/child.h"

#include <QApplication>
#include <QScreen>
#include <memory>

// `files` are the names given on the command line; the application object
// gets the program's name alone, so no name is read as a toolkit option.
int runEditor(char* program, const QStringList& files)
{
    int argc = 1;
    char* argv[] = {program, nullptr};
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Oru Gif"));
    QCoreApplication::setOrganizationName(QStringLiteral("OruGif"));
    QCoreApplication::setApplicationVersion(QStringLiteral("3.0"));

    auto splash = std::make_unique<orugif::TSplash>();
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    orugif::app::installFrenchTranslation();

    orugif::TMainForm window;
    splash.reset();
    // The size and place of the last run; the first time, a window of a
    // usual size that grows to fit the frames opened.
    if (!window.restoreWindowPlace())
        window.resize(QSize(800, 600).boundedTo(window.screen()->availableGeometry().size()));
    window.show();
    // Files named on the command line: the first opens as "&Ouvrir..." would
    // and the others become frames after it.
    if (!files.isEmpty())
        window.route([&window, &files] { window.openFiles(orugif::app::planOpen(files)); }, true);
    return app.exec();
}

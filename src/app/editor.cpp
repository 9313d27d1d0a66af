// Starts the editor: French translations, then the main window.
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMainWindow>
#include <QTranslator>

int runEditor(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Oru Gif"));
    QCoreApplication::setApplicationVersion(QStringLiteral("3.0"));

    // Standard buttons and dialogs read in French ("Oui", "Non", "Annuler").
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslator);

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Oru Gif"));
    window.show();
    return app.exec();
}

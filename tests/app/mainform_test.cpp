// The main window offscreen: menus, tool bar, hints, command enabling and
// routing, with scripted prompts and colour choices.
#include "app/colourswatch.h"
#include "app/mainform.h"
#include "app/widgetprompts.h"
#include "app/menus.h"
#include "document/child.h"
#include "document/clipboard.h"
#include "document/prompts.h"
#include "document/view/childwindow.h"
#include "support/testsupport.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMap>
#include <QSet>
#include <QMenu>
#include <QMenuBar>
#include <QStatusTipEvent>
#include <QCloseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace orugif;

namespace {

struct NoPrompts : DocumentPrompts {
    Answer ask(const QString&, Choices) override { return Answer::Ok; }
    void inform(const QString&) override {}
};

struct Fixture {
    QStringList errors;
    std::optional<QColor> nextColour;
    QString openFile;
    TMainForm form{MainPorts{
        std::make_shared<NoPrompts>(),
        nullptr,
        [this](const QString& m) { errors << m; },
        [this](const QColor&) { return nextColour; },
        [] { return QTime(13, 5, 9); },
        [this] { return openFile; },
    }};

    QAction* action(const char* name) { return form.action(name); }
    QToolButton* button(const char* name) { return form.findChild<QToolButton*>(QString::fromLatin1(name)); }
    ColourSwatch* swatch() { return form.findChild<ColourSwatch*>(QStringLiteral("Panel1")); }
};

bool enabled(Fixture& f, const char* name)
{
    if (QAction* a = f.action(name))
        return a->isEnabled();
    if (QToolButton* b = f.button(name))
        return b->isEnabled();
    ADD_FAILURE() << "no control " << name;
    return false;
}

} // namespace

TEST(MainWindow, everyMenuItemStandsWithItsCaptionHintAndShortcut)
{
    Fixture f;
    EXPECT_EQ(f.form.windowTitle(), "Oru Gif");
    int items = 0;
    for (const app::MenuEntry& e : app::menuEntries()) {
        if (e.level == 0) {
            auto* menu = f.form.findChild<QMenu*>(QString::fromLatin1(e.name));
            ASSERT_TRUE(menu) << e.name;
            EXPECT_EQ(menu->title(), QString::fromUtf8(e.caption));
            continue;
        }
        ++items;
        QAction* a = f.action(e.name);
        ASSERT_TRUE(a) << e.name;
        EXPECT_EQ(a->text(), QString::fromUtf8(e.caption)) << e.name;
        // Where no screen can be read, the recording's hint says what it needs.
        if (a->isEnabled() || qstrcmp(e.name, "Enregistrerecran1") != 0) {
            EXPECT_EQ(a->statusTip(), QString::fromUtf8(e.hint)) << e.name;
        }
        EXPECT_EQ(a->shortcuts(), e.shortcut ? QKeySequence::listFromString(QString::fromLatin1(e.shortcut))
                                              : QList<QKeySequence>{})
            << e.name;
    }
    EXPECT_EQ(items, 58);
    EXPECT_EQ(f.action("ExitItem")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_X));
    EXPECT_EQ(f.action("Annuler1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(f.action("Retablir1")->shortcuts(),
              (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}));
    EXPECT_EQ(f.action("Copier1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_C));
    EXPECT_EQ(f.action("Prcdent1")->text(), QString::fromUtf8("&Précédent         PgUp"));
    EXPECT_EQ(f.action("Transiitonavant1")->statusTip(), "Transiiton vers l'image en cours");
}

// The usual keys sit beside the menus' own, which stay as they were.
TEST(MainWindow, theUsualShortcutsComeOnTopOfTheMenusOwn)
{
    Fixture f;
    const auto keys = [&](const char* name) {
        QStringList list;
        for (const QKeySequence& k : f.action(name)->shortcuts())
            list << k.toString(QKeySequence::PortableText);
        return list.join(QStringLiteral(", "));
    };
    const std::vector<std::pair<const char*, const char*>> expected{
        {"Nouveau1", "Ctrl+N"},
        {"OpenItem", "Ctrl+O"},
        {"SaveItem", "Ctrl+S"},
        {"Enregistrersous1", "Ctrl+Shift+S"},
        {"ExitItem", "Alt+X, Ctrl+Q"},
        {"Couper1", "Ctrl+X"},
        {"Copier1", "Ctrl+C"},
        {"Coller1", "Ctrl+V"},
        {"Excuter1", "F5, Space"},
        {"Zoomavant1", "Ctrl++, Ctrl+="},
        {"Zoomarriere1", "Ctrl+-"},
        {"Taillereelle1", "Ctrl+0"},
        {"Ajusterfenetre1", ""},
        {"Dureducadre1", ""},
    };
    for (const auto& [name, shortcut] : expected)
        EXPECT_EQ(keys(name), QString::fromLatin1(shortcut)) << name;
}

// Within a menu no two items share their underlined letter, but for the
// pairs the menus have always had.
TEST(MainWindow, noNewItemTakesTheLetterOfAnotherInItsMenu)
{
    Fixture f;
    const QSet<QString> older{"Cadre1:s", "Cadre1:v", "Cadre1:r", "Edition1:o"};
    for (QMenu* menu : f.form.menuBar()->findChildren<QMenu*>()) {
        QMap<QChar, QString> taken;
        for (QAction* a : menu->actions()) {
            const QString text = a->text();
            const qsizetype amp = text.indexOf('&');
            if (a->isSeparator() || amp < 0 || amp + 1 >= text.size() || f.form.recentActions().contains(a))
                continue;
            const QChar letter = text.at(amp + 1).toLower();
            if (taken.contains(letter) && !older.contains(menu->objectName() + ":" + letter))
                ADD_FAILURE() << menu->objectName().toStdString() << ": " << taken[letter].toStdString() << " and "
                              << text.toStdString();
            taken[letter] = text;
        }
    }
    EXPECT_EQ(f.action("Dureducadre1")->text(), QString::fromUtf8("D&urée du cadre..."));
    EXPECT_EQ(f.action("Dplacer1")->text(), QString::fromUtf8("Dépla&cer..."));
}

TEST(MainWindow, separatorsStandWhereTheMenusGroupTheirItems)
{
    Fixture f;
    const auto layout = [&](const char* menu) {
        QStringList names;
        for (QAction* a : f.form.findChild<QMenu*>(QString::fromLatin1(menu))->actions())
            if (a->isVisible() && !f.form.recentActions().contains(a))
                names << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
        return names.join(' ');
    };
    EXPECT_EQ(layout("Fichier1"),
              "Nouveau1 Nouvelleanimation1 OpenItem Enregistrerecran1 - SaveItem Enregistrersous1 Exporteranavi1 Exportervideo1 HTML1 - ExitItem");
    EXPECT_EQ(layout("Edition1"), "Annuler1 Retablir1 - Couper1 Copier1 Coller1 - Listedescadres1 Montrerlescadres1");
    EXPECT_EQ(layout("Cadre1"),
              "Prcdent1 Suivant1 Premier1 Dernier1 - Ajiouter1 Insrer1 Supprimer1 Dureducadre1 Inverserlordre1 - "
              "Importerimage1 Exportercadre1 - Effacer1 Redimensionner1 Rchantilloner1 Miroirhorizontal1 "
              "MiroirVertical1 Rotation1 Dplacer1");
    EXPECT_EQ(layout("Animation1"), "Excuter1 Lancernavigateur1 - Optimisation1 Proprits1");
    EXPECT_EQ(layout("Images1"), "Effetsspciaux1 Transiitonaprs1 Transiitonavant1 - Zoomavant1 Zoomarriere1 "
                                 "Taillereelle1 Ajusterfenetre1");
    EXPECT_EQ(layout("Aide1"), "Index1 Rechercher1 Utiliserlaide1 - About1");
    EXPECT_EQ(layout("Nouvelleanimation1Menu"), "Animation2 Bannire1");
    EXPECT_EQ(f.form.findChild<QMenu*>("Cadre1")->property("helpContext").toInt(), 5);
}

TEST(MainWindow, commandsNeedingContentWaitForValideAndThenStayEnabled)
{
    Fixture f;
    for (const char* name : app::valideNames())
        if (QByteArray(name) != "Importerimage1" && QByteArray(name) != "SpeedButton7") {
            EXPECT_FALSE(enabled(f, name)) << name;
        }
    for (const char* name : {"Nouveau1", "OpenItem", "ExitItem", "Coller1", "Importerimage1", "About1",
                             "SpeedButton1", "OpenBtn", "PasteBtn", "SpeedButton7"})
        EXPECT_TRUE(enabled(f, name)) << name;
    EXPECT_TRUE(f.swatch()->isEnabled());
    EXPECT_TRUE(f.button("SpeedButton9")->isChecked());

    f.action("Coller1")->trigger();  // Valide runs after every paste, even an empty one
    for (const char* name : app::valideNames())
        EXPECT_EQ(enabled(f, name), f.form.isBuilt(QString::fromLatin1(name))) << name;
    f.action("Nouveau1")->trigger();
    EXPECT_TRUE(enabled(f, "Supprimer1"));
}

TEST(MainWindow, navigationCommandsDoNotRunValide)
{
    Fixture f;
    f.action("Suivant1")->setEnabled(true);
    f.action("Suivant1")->trigger();
    EXPECT_FALSE(enabled(f, "SaveItem"));
    f.button("SpeedButton6")->setEnabled(true);
    f.button("SpeedButton6")->click();  // Ajouter does
    EXPECT_TRUE(enabled(f, "SaveItem"));
}

TEST(MainWindow, hintsSplitIntoToolTipAndStatusText)
{
    Fixture f;
    EXPECT_EQ(f.button("OpenBtn")->toolTip(), "Ouvrir");
    EXPECT_EQ(f.button("SpeedButton1")->toolTip(), "Nouveau");
    EXPECT_EQ(f.button("SpeedButton10")->toolTip(), QString::fromUtf8("Aperçu dans le navigateur"));

    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(f.button("SpeedButton1"), &enter);
    EXPECT_EQ(f.form.hintPanel()->text(), "Nouveau");
    QCoreApplication::sendEvent(f.button("OpenBtn"), &enter);
    EXPECT_EQ(f.form.hintPanel()->text(), "");

    QStatusTipEvent tip(f.action("SaveItem")->statusTip());
    QCoreApplication::sendEvent(&f.form, &tip);
    EXPECT_EQ(f.form.hintPanel()->text(), "Enregistrer le fichier en cours");
}

TEST(MainWindow, theClockShowsTheTimeOfDay)
{
    Fixture f;
    EXPECT_TRUE(f.form.clockPanel()->text().contains("13:05:09")) << f.form.clockPanel()->text().toStdString();
    EXPECT_EQ(f.form.findChild<QTimer*>("Timer1")->interval(), 1000);
}

TEST(MainWindow, toolButtonsFormOneExclusiveGroupDrivingTheDocument)
{
    Fixture f;
    f.form.Valide();
    f.button("FillButton")->click();
    EXPECT_TRUE(f.button("FillButton")->isChecked());
    EXPECT_FALSE(f.button("SpeedButton9")->isChecked());
    EXPECT_TRUE(f.form.child().FillOn);
    f.button("SpeedButton11")->click();
    EXPECT_FALSE(f.button("FillButton")->isChecked());
    EXPECT_TRUE(f.form.child().BrushOn && !f.form.child().FillOn);
    f.button("SpeedButton9")->click();
    EXPECT_FALSE(f.form.child().BrushOn);
}

TEST(MainWindow, theSwatchHoldsTheDrawingColourForFillAndPipette)
{
    Fixture f;
    EXPECT_EQ(f.form.drawingColour(), clWhite);
    f.nextColour.reset();
    f.form.Panel1Click();  // cancelled
    EXPECT_EQ(f.form.drawingColour(), clWhite);
    f.nextColour = QColor(10, 20, 30);
    f.form.Panel1Click();
    EXPECT_EQ(f.form.drawingColour(), colourFromRgb(10, 20, 30));

    QGuiApplication::clipboard()->setImage(testsupport::solid(5, 5, 0x0000ff));
    f.action("Coller1")->trigger();
    f.button("FillButton")->click();
    TChild& c = f.form.child();
    c.Image1MouseDown(Qt::LeftButton, 2, 2);
    c.Image1Click();
    EXPECT_EQ(c.picture().pixel(2, 2), qRgb(10, 20, 30));

    c.Ajouter();
    f.button("PipButton")->click();
    c.Image1MouseDown(Qt::LeftButton, 1, 1);
    c.Image1Click();
    EXPECT_EQ(f.form.drawingColour(), clWhite);
}

TEST(MainWindow, aFailingCommandShowsItsMessageAndLeavesTheEditorUsable)
{
    Fixture f;
    QGuiApplication::clipboard()->setImage(QImage(20000, 2, QImage::Format_RGB32));
    f.action("Coller1")->trigger();
    ASSERT_EQ(f.errors.size(), 1);
    EXPECT_TRUE(f.errors[0].contains("trop grande"));
    EXPECT_TRUE(enabled(f, "SaveItem"));  // Valide ran all the same
    f.action("Ajiouter1")->trigger();
    EXPECT_EQ(f.errors.size(), 1);
}

TEST(MainWindow, pageKeysInTheDocumentWindowMoveBetweenFrames)
{
    Fixture f;
    TChild& c = f.form.child();
    for (unsigned colour : {1u, 2u, 3u}) {
        QGuiApplication::clipboard()->setImage(testsupport::solid(4, 4, colour));
        c.Coller();
        c.Ajouter();
    }
    c.Premier();
    QTest::keyClick(f.form.childWindow(), Qt::Key_PageDown);
    EXPECT_EQ(c.CurrentIndex, 1);
    QTest::keyClick(f.form.childWindow(), Qt::Key_PageUp);
    EXPECT_EQ(c.CurrentIndex, 0);
    EXPECT_EQ(f.form.childWindow()->findChild<QLabel*>("StaticText1")->text(), "Cadre 1 / 4 (4 x 4) - 0,30 s");
    EXPECT_EQ(f.form.childWindow()->findChild<QWidget*>("Panel1")->size(), QSize(6, 6));
}

TEST(MainWindow, openingEnablesCommandsOnlyWhenAFileWasChosen)
{
    Fixture f;
    f.form.OpenItemClick();  // cancelled
    EXPECT_FALSE(enabled(f, "SaveItem"));

    QTemporaryDir dir;
    f.openFile = dir.filePath("missing.gif");
    f.form.OpenItemClick();  // chosen but unreadable: the message shows, commands enable
    EXPECT_EQ(f.errors.size(), 1);
    EXPECT_TRUE(enabled(f, "SaveItem"));
}

TEST(MainWindow, closingIsRefusedWhileTheDocumentMayNotClose)
{
    struct CancelEverything : DocumentPrompts {
        Answer ask(const QString&, Choices) override { return Answer::Cancel; }
        void inform(const QString&) override {}
    };
    MainPorts ports;
    ports.prompts = std::make_shared<CancelEverything>();
    TMainForm form(ports);
    form.child().Modified = true;
    QCloseEvent refused;
    QCoreApplication::sendEvent(&form, &refused);
    EXPECT_FALSE(refused.isAccepted());
    form.child().Modified = false;
    QCloseEvent accepted;
    QCoreApplication::sendEvent(&form, &accepted);
    EXPECT_TRUE(accepted.isAccepted());
}

TEST(MainWindow, theExportDialogOffersGifFilesUnderTheirOwnPattern)
{
    const QStringList filters = WidgetPrompts::exportFilters();
    EXPECT_TRUE(filters.contains("GIF Image (*.gif)"));
    for (const QString& f : filters)
        EXPECT_FALSE(f.contains("giif"));
}

// The main window as a user drives it: mouse clicks and keys go through the
// widgets that have them, as the window system would deliver them.
#include "app/dialogfolder.h"
#include "accessories/dialogs/blocnotes.h"
#include "app/mainform.h"
#include "app/widgetprompts.h"
#include "document/clipboard.h"
#include "document/child.h"
#include "document/prompts.h"
#include "document/view/childwindow.h"
#include "support/reference.h"
#include "support/testsupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QListWidget>
#include <QTabWidget>
#include <QFileInfo>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QScrollArea>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace orugif;

namespace {

struct Asked : DocumentPrompts {
    Answer answer = Answer::Cancel;
    QStringList questions;
    QString saveFile;
    Answer ask(const QString& question, Choices) override
    {
        questions << question;
        return answer;
    }
    void inform(const QString&) override {}
    QString chooseSaveFile(const QString&) override { return saveFile; }
};

struct Window {
    std::shared_ptr<Asked> prompts = std::make_shared<Asked>();
    QStringList errors;
    TMainForm form{MainPorts{prompts, nullptr, [this](const QString& m) { errors << m; }, {}, {}, {}}};

    TChild& child() { return form.child(); }
    QWidget* image() { return form.findChild<QWidget*>(QStringLiteral("Image1")); }
    QToolButton* button(const char* name) { return form.findChild<QToolButton*>(QString::fromLatin1(name)); }

    void showActive()
    {
        form.resize(640, 480);
        form.show();
        QApplication::setActiveWindow(&form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    // One frame per picture, pasted as a user would, the first one current.
    void frames(const std::vector<QImage>& pictures)
    {
        for (const QImage& p : pictures) {
            if (&p != &pictures.front())
                form.action("Ajiouter1")->trigger();
            QGuiApplication::clipboard()->setImage(p);
            form.action("Coller1")->trigger();
        }
        form.action("Premier1")->trigger();
    }
};

// A white picture with a one-pixel red ring along its edges.
QImage ringed(int w, int h)
{
    QImage p = testsupport::solid(w, h, 0xffffff);
    for (int x = 0; x < w; ++x) {
        p.setPixel(x, 0, qRgb(255, 0, 0));
        p.setPixel(x, h - 1, qRgb(255, 0, 0));
    }
    for (int y = 0; y < h; ++y) {
        p.setPixel(0, y, qRgb(255, 0, 0));
        p.setPixel(w - 1, y, qRgb(255, 0, 0));
    }
    return p;
}

} // namespace

TEST(MainWindowUse, pageKeysKeepMovingBetweenFramesAfterAClickOnThePicture)
{
    Window w;
    w.showActive();
    w.frames({testsupport::solid(30, 20, 1), testsupport::solid(30, 20, 2), testsupport::solid(30, 20, 3)});
    QTest::mouseClick(w.image(), Qt::LeftButton, {}, QPoint(5, 5));
    QWidget* focus = QApplication::focusWidget();
    ASSERT_TRUE(focus);
    QTest::keyClick(focus, Qt::Key_PageDown);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
    EXPECT_EQ(w.child().CurrentIndex, 2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp);
    EXPECT_EQ(w.child().CurrentIndex, 1);
    EXPECT_EQ(w.form.findChild<QLabel*>(QStringLiteral("StaticText1"))->text(), "Cadre 2 / 3 (30 x 20) - 0,30 s");
}

class WholeFrame : public ::testing::TestWithParam<QSize> {};

TEST_P(WholeFrame, everyPixelShowsAtOneToOneAndAClickReachesIt)
{
    const QSize size = GetParam();
    Window w;
    w.showActive();
    w.frames({ringed(size.width(), size.height())});
    ASSERT_EQ(w.image()->size(), size);

    // The ring shows in every corner of the picture as drawn on screen.
    const QImage shown = w.image()->grab().toImage();
    for (const QPoint corner : {QPoint(0, 0), QPoint(size.width() - 1, size.height() - 1)})
        EXPECT_EQ(shown.pixel(corner) & 0xffffffu, 0xff0000u) << corner.x() << "," << corner.y();

    // A fill clicked on the last pixel paints the ring it belongs to.
    w.child().setDrawingColourSource([] { return fromQRgb(qRgb(0, 0, 255)); });
    QTest::mouseClick(w.button("FillButton"), Qt::LeftButton);
    QTest::mouseClick(w.image(), Qt::LeftButton, {}, QPoint(size.width() - 1, size.height() - 1));
    EXPECT_EQ(w.child().picture().pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(w.child().picture().pixel(size.width() - 1, size.height() - 1), qRgb(0, 0, 255));
}

INSTANTIATE_TEST_SUITE_P(Sizes, WholeFrame, ::testing::Values(QSize(1, 1), QSize(40, 30), QSize(1500, 1200)));

TEST(MainWindowUse, nouveauAsksBeforeChangesAreLostAndNamesAnUntitledDocument)
{
    Window w;
    w.showActive();
    w.frames({testsupport::solid(8, 8, 1)});
    ASSERT_TRUE(w.child().Modified);

    w.prompts->answer = Answer::Cancel;
    QTest::mouseClick(w.button("SpeedButton1"), Qt::LeftButton);
    ASSERT_EQ(w.prompts->questions, QStringList{"Enregistrer modifications dans Sans titre ?"});
    EXPECT_EQ(w.child().ImageList1.count(), 1);

    // Yes saves under the chosen name, then starts a new animation.
    QTemporaryDir dir;
    w.prompts->answer = Answer::Yes;
    w.prompts->saveFile = dir.filePath("anim.gif");
    QTest::mouseClick(w.button("SpeedButton1"), Qt::LeftButton);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("anim.gif"))) << w.errors.join(' ').toStdString();
    EXPECT_EQ(w.child().ImageList1.count(), 0);

    // The caption names the opened file, and nothing once a new one starts.
    w.child().Charge(dir.filePath("anim.gif"));
    EXPECT_TRUE(w.form.windowTitle().contains("anim.gif")) << w.form.windowTitle().toStdString();
    w.frames({testsupport::solid(8, 8, 2)});
    w.prompts->answer = Answer::No;
    QTest::mouseClick(w.button("SpeedButton1"), Qt::LeftButton);
    EXPECT_EQ(w.child().ImageList1.count(), 0);
    EXPECT_EQ(w.form.windowTitle(), "Oru Gif");
}

TEST(MainWindowUse, theProgressBarIsHiddenWhilePlaybackRuns)
{
    MainPorts ports;  // the real playback window
    ports.showError = [](const QString& m) { ADD_FAILURE() << m.toStdString(); };
    TMainForm form(ports);
    form.show();
    for (unsigned c : {1u, 2u}) {
        QGuiApplication::clipboard()->setImage(testsupport::solid(10, 10, c));
        form.action("Coller1")->trigger();
        form.action("Ajiouter1")->trigger();
    }
    auto* bar = form.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
    bool seen = false, visibleDuringPlayback = true;
    QTimer::singleShot(50, [&] {
        seen = QApplication::activeModalWidget() != nullptr;
        visibleDuringPlayback = bar->isVisible();
        if (QWidget* playback = QApplication::activeModalWidget())
            playback->close();
    });
    QTest::mouseClick(form.findChild<QToolButton*>(QStringLiteral("SpeedButton8")), Qt::LeftButton);
    EXPECT_TRUE(seen);
    EXPECT_FALSE(visibleDuringPlayback);
}

TEST(MainWindowUse, commandsWithNothingBehindThemStayDisabled)
{
    Window w;
    w.form.Valide();
    // AVI export has its command now.
    EXPECT_TRUE(w.form.action("Exporteranavi1")->isEnabled());
    EXPECT_TRUE(w.form.findChild<QMenu*>("Nouvelleanimation1Menu")->menuAction()->isEnabled());
    EXPECT_TRUE(w.form.action("Proprits1")->isEnabled());
    for (const char* name : {"Calendrier1", "Horloge1", "Calculatrice1", "Euroconversion1", "Blocnotes1"}) {
        QString opened;
        QTimer::singleShot(0, [&] {
            if (QWidget* window = QApplication::activeModalWidget()) {
                opened = window->windowTitle();
                window->close();
            }
        });
        w.form.action(name)->trigger();
        EXPECT_FALSE(opened.isEmpty()) << name;
    }
}

TEST(MainWindowUse, theNoteIsReadAtStartAndKeptWhenItCannotBeWrittenAtClose)
{
    QTemporaryDir dir;
    QFile note(dir.filePath("OruGif.nte"));
    ASSERT_TRUE(note.open(QIODevice::WriteOnly));
    note.write("bonjour\n");
    note.close();
    {
        auto prompts = std::make_shared<Asked>();
        MainPorts ports;
        ports.prompts = prompts;
        ports.notePath = note.fileName();
        TMainForm form(ports);
        form.show();
        auto* memo = form.notepad()->findChild<QPlainTextEdit*>("Memo1");
        EXPECT_EQ(memo->toPlainText(), "bonjour");
        memo->appendPlainText("encore");
        EXPECT_TRUE(form.close());
    }
    ASSERT_TRUE(note.open(QIODevice::ReadOnly));
    EXPECT_EQ(note.readAll(), "bonjour\nencore\n");

    // Where the note cannot be written, closing asks; "Non" keeps the editor and the text.
    QFile blocker(dir.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    auto prompts = std::make_shared<Asked>();
    prompts->answer = Answer::No;
    MainPorts ports;
    ports.prompts = prompts;
    ports.notePath = dir.filePath("blocker/OruGif.nte");
    TMainForm form(ports);
    form.show();
    form.notepad()->findChild<QPlainTextEdit*>("Memo1")->setPlainText("important");
    form.notepad()->findChild<QPlainTextEdit*>("Memo1")->document()->setModified(true);
    EXPECT_FALSE(form.close());
    ASSERT_EQ(prompts->questions.size(), 1);
    EXPECT_TRUE(prompts->questions[0].startsWith("Erreur de fichier"));
    prompts->answer = Answer::Yes;
    EXPECT_TRUE(form.close());
}

TEST(MainWindowUse, theWindowGrowsToShowAnOpenedFrameAndRemembersItsPlace)
{
    {
        Window w;
        w.form.resize(300, 250);
        w.form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.form));
        w.frames({testsupport::solid(500, 400, 1)});
        const QWidget* viewport = w.form.findChild<QScrollArea*>()->viewport();
        EXPECT_TRUE(QTest::qWaitFor([&] { return viewport->width() >= 502 && viewport->height() >= 402; }, 2000))
            << viewport->width() << " x " << viewport->height();
        w.form.move(40, 30);
        w.form.resize(620, 540);
        w.child().Modified = false;
        w.form.close();
    }
    Window again;
    ASSERT_TRUE(again.form.restoreWindowPlace());
    EXPECT_EQ(again.form.size(), QSize(620, 540));
}

TEST(MainWindowUse, fileDialogsStartInTheFolderLastUsed)
{
    QTemporaryDir dir;
    app::rememberDialogFolder(dir.filePath("picture.png"));
    EXPECT_EQ(app::dialogFolder(), dir.path());
    const QString gone = dir.filePath("gone");
    QDir().mkpath(gone);
    app::rememberDialogFolder(gone + "/x.gif");
    QDir(gone).removeRecursively();
    EXPECT_EQ(app::dialogFolder(), QDir::currentPath());
}

// After a dialog closes, the window is painted again before the work the
// dialog asked for begins, not after it (a long save would leave a piece of
// the dialog over the status bar meanwhile).
TEST(MainWindowUse, theWindowRepaintsAsSoonAsADialogCloses)
{
    TMainForm form;  // the real dialogs
    form.resize(640, 480);
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    struct CountPaints : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    form.hintPanel()->installEventFilter(&counter);
    form.child().Modified = true;
    int beforeClosing = -1;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 2000));
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_TRUE(box);
        beforeClosing = counter.paints;
        QTest::keyClick(box, Qt::Key_Escape);  // "Annuler": the editor stays
    });
    form.action("ExitItem")->trigger();
    EXPECT_TRUE(form.isVisible());
    EXPECT_GT(counter.paints, beforeClosing);
    form.child().Modified = false;
}

TEST(MainWindowUse, theAnimationWizardsAjouterStartsInTheFolderLastUsed)
{
    QTemporaryDir dir;
    const QString picture = dir.filePath("one.png");
    ASSERT_TRUE(testsupport::solid(4, 4, 0xff0000).save(picture));
    app::rememberDialogFolder(picture);
    SystemClipboard clipboard;
    WidgetPrompts prompts(nullptr, clipboard);
    QString seen;
    int listed = -1;
    QTimer::singleShot(0, [&] {
        QWidget* wizard = QApplication::activeModalWidget();
        ASSERT_TRUE(wizard);
        auto* pages = wizard->findChild<QTabWidget*>();
        pages->setCurrentWidget(wizard->findChild<QWidget*>(QStringLiteral("TabSheet3")));
        auto* add = wizard->findChild<QPushButton*>(QStringLiteral("SpeedButton1"));
        QTimer::singleShot(0, [&] {
            auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(chooser);
            seen = chooser->directory().absolutePath();
            // The name typed, then Enter, as a user would.
            auto* name = chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_TRUE(name);
            QTest::keyClicks(name, QStringLiteral("one.png"));
            QTest::keyClick(name, Qt::Key_Return);
        });
        QTest::mouseClick(add, Qt::LeftButton);
        listed = wizard->findChild<QListWidget*>(QStringLiteral("ListBox1"))->count();
        QTest::keyClick(wizard, Qt::Key_Escape);
    });
    prompts.runAnimationWizard();
    EXPECT_EQ(seen, QDir(dir.path()).absolutePath());
    EXPECT_EQ(listed, 1);
}

TEST(MainWindowUse, theBrowserPreviewOpensTheSavedFileOrSaysWhyNot)
{
    QList<QUrl> opened;
    auto prompts = std::make_shared<Asked>();
    QStringList errors;
    MainPorts ports;
    ports.prompts = prompts;
    ports.showError = [&](const QString& m) { errors << m; };
    ports.openUrl = [&](const QUrl& url) {
        opened << url;
        return url.fileName().startsWith("anim");
    };
    TMainForm form(ports);
    form.Valide();
    QTest::mouseClick(form.findChild<QToolButton*>(QStringLiteral("SpeedButton10")), Qt::LeftButton);
    EXPECT_EQ(errors, QStringList{"Enregistrez d'abord l'animation."});
    EXPECT_TRUE(opened.isEmpty());

    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromUtf8("anim été #1.gif"));
    form.child().FileName = path;
    form.action("Lancernavigateur1")->trigger();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0].toLocalFile(), path);
    EXPECT_TRUE(opened[0].toString(QUrl::FullyEncoded).endsWith("anim%20%C3%A9t%C3%A9%20%231.gif"))
        << opened[0].toString(QUrl::FullyEncoded).toStdString();

    form.child().FileName = dir.filePath("other.gif");  // nothing opens it
    form.child().Modified = true;
    form.action("Lancernavigateur1")->trigger();
    EXPECT_EQ(errors.size(), 2);
    EXPECT_TRUE(errors.last().startsWith("Aucun programme"));
}


TEST(MainWindowUse, openingAVideoShowsTheImportOptions)
{
    QStringList errors;
    TMainForm form{MainPorts{nullptr, nullptr, [&errors](const QString& m) { errors << m; }, {}, {}, {}}};
    const QString clip = testsupport::testdata("avi/mjpeg-25fps.avi");
    // "Annuler" leaves the empty document; OK imports frames 2 to 4.
    QString title;
    QTimer::singleShot(0, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            title = dialog->windowTitle();
            dialog->findChild<QPushButton*>("Button1")->click();
        }
    });
    form.child().Charge(clip);
    EXPECT_EQ(title, QString::fromUtf8("Options d'importation AVI"));
    EXPECT_EQ(form.child().ImageList1.count(), 0);
    QTimer::singleShot(0, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            dialog->findChild<QRadioButton*>("RadioButton2")->setChecked(true);
            dialog->findChild<QSpinBox*>("SpinEdit1")->setValue(2);
            dialog->findChild<QSpinBox*>("SpinEdit2")->setValue(4);
            dialog->findChild<QPushButton*>("Button2")->click();
        }
    });
    form.child().Charge(clip);
    EXPECT_EQ(form.child().ImageList1.count(), 3) << errors.join(' ').toStdString();
    EXPECT_EQ(form.child().FrameDelay, 4);
}

namespace {

// What the optimisation dialog of `form` shows for the colours, then the
// dialog closed with "Annuler" or, after `choose` ran on it, with OK (or
// "Annuler" when not `ok`).
struct ReductionShown {
    QString colours, bits, dither;
};

ReductionShown runOptimisation(TMainForm& form, const std::function<void(QWidget*)>& choose = {}, bool ok = true)
{
    ReductionShown shown;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog)
            return;
        shown = {dialog->findChild<QComboBox*>("ComboBox1")->currentText(),
                 dialog->findChild<QSpinBox*>("SpinEdit1")->text(),
                 dialog->findChild<QComboBox*>("ComboBox2")->currentText()};
        if (choose)
            choose(dialog);
        QTest::mouseClick(dialog->findChild<QPushButton*>(choose && ok ? "Button2" : "Button1"), Qt::LeftButton);
    });
    form.action("Optimisation1")->trigger();
    return shown;
}

} // namespace

TEST(MainWindowUse, theColoursChosenForOptimisationAreTheNextDocumentsOnes)
{
    QSettings().remove("reduction");
    {
        TMainForm form{MainPorts{nullptr, nullptr, [](const QString&) {}, {}, {}, {}}};
        form.Valide();
        const ReductionShown first = runOptimisation(form);
        EXPECT_EQ(first.colours, "Automatique");
        EXPECT_EQ(first.dither, "Aucun");
        // Keys to the focused controls: two down from "Automatique" is
        // "Palette optimisée"; 5 bits; one down from "Aucun".
        runOptimisation(form, [](QWidget* dialog) {
            auto* colours = dialog->findChild<QComboBox*>("ComboBox1");
            colours->setFocus();
            QTest::keyClick(colours, Qt::Key_Down);
            QTest::keyClick(colours, Qt::Key_Down);
            auto* bits = dialog->findChild<QSpinBox*>("SpinEdit1");
            bits->setFocus();
            bits->selectAll();
            QTest::keyClicks(bits, "5");
            auto* dither = dialog->findChild<QComboBox*>("ComboBox2");
            dither->setFocus();
            QTest::keyClick(dither, Qt::Key_Down);
        });
        EXPECT_EQ(form.child().ColorReduction, 7);
        EXPECT_EQ(form.child().ReductionBits, 5);
        EXPECT_EQ(form.child().DitherMode, 1);
    }
    // The next run starts with that choice and shows it.
    TMainForm form{MainPorts{nullptr, nullptr, [](const QString&) {}, {}, {}, {}}};
    form.Valide();
    EXPECT_EQ(form.child().ColorReduction, 7);
    const ReductionShown again = runOptimisation(form);
    EXPECT_EQ(again.colours, QString::fromUtf8("Palette optimisée"));
    EXPECT_EQ(again.bits, "5 bits");
    EXPECT_EQ(again.dither, "Floyd-Steinberg");
    // A choice left with "Annuler" is not remembered.
    runOptimisation(form, [](QWidget* dialog) {
        auto* colours = dialog->findChild<QComboBox*>("ComboBox1");
        colours->setFocus();
        QTest::keyClick(colours, Qt::Key_Up);
    }, false);
    EXPECT_EQ(QSettings().value("reduction/method").toInt(), 7);
    // A stored choice that makes no sense gives the automatic reduction.
    QSettings().setValue("reduction/method", 42);
    TMainForm other{MainPorts{nullptr, nullptr, [](const QString&) {}, {}, {}, {}}};
    EXPECT_EQ(other.child().ColorReduction, 10);
    QSettings().remove("reduction");
}

namespace {

// Takes every frame of a video, and tells where the save dialog started.
struct VideoAsked : Asked {
    QString saveStartedOn;
    int saveDialogs = 0;
    QString chooseSaveFile(const QString& current) override
    {
        saveStartedOn = current;
        ++saveDialogs;
        return saveFile;
    }
    VideoChoice runVideoOptions(const formats::VideoInfo& info) override { return {0, info.frames - 1, 0}; }
};

QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(MainWindowUse, savingADocumentOpenedFromAVideoNeverWritesTheVideo)
{
    QTemporaryDir dir;
    QStringList clips{dir.filePath("clip.avi")};
    ASSERT_TRUE(QFile::copy(testsupport::testdata("avi/mjpeg-25fps.avi"), clips[0]));
    if (testsupport::haveFfmpeg()) {
        clips << dir.filePath("phone.mp4");
        ASSERT_TRUE(testsupport::makeClip(clips[1], {"-f", "lavfi", "-i", "testsrc2=size=64x48:rate=10", "-frames:v",
                                                     "4", "-pix_fmt", "yuv420p"}));
    }
    for (const QString& clip : clips) {
        SCOPED_TRACE(clip.toStdString());
        const QByteArray before = contentsOf(clip);
        auto prompts = std::make_shared<VideoAsked>();
        QStringList errors;
        TMainForm form{MainPorts{prompts, nullptr, [&errors](const QString& m) { errors << m; }, {}, {}, {}}};
        form.resize(640, 480);
        form.show();
        QApplication::setActiveWindow(&form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        form.child().Charge(clip);
        ASSERT_GT(form.child().ImageList1.count(), 0) << errors.join(' ').toStdString();
        form.Valide();

        // "Enregistrer" asks for a name, the clip's with ".gif"; a cancel
        // writes nothing.
        QToolButton* save = form.findChild<QToolButton*>(QStringLiteral("SaveBtn"));
        ASSERT_NE(save, nullptr);
        QTest::mouseClick(save, Qt::LeftButton);
        EXPECT_EQ(prompts->saveDialogs, 1);
        EXPECT_EQ(prompts->saveStartedOn, QFileInfo(clip).path() + '/' + QFileInfo(clip).completeBaseName() + ".gif");
        EXPECT_EQ(contentsOf(clip), before);
        // A name given: the animation goes there, the clip stays as it was.
        prompts->saveFile = dir.filePath(QFileInfo(clip).completeBaseName() + "-anim.gif");
        QTest::mouseClick(save, Qt::LeftButton);
        EXPECT_TRUE(errors.isEmpty()) << errors.join(' ').toStdString();
        EXPECT_TRUE(QFileInfo::exists(prompts->saveFile));
        EXPECT_EQ(contentsOf(clip), before);
        EXPECT_EQ(form.child().FileName, prompts->saveFile);
        // From then on "Enregistrer" writes that GIF without asking.
        QTest::mouseClick(save, Qt::LeftButton);
        EXPECT_EQ(prompts->saveDialogs, 2);
    }
}

TEST(MainWindowUse, annulerInTheProgressWindowStopsAVideoImport)
{
    if (!testsupport::haveFfmpeg())
        GTEST_SKIP() << "no ffmpeg command";
    QTemporaryDir dir;
    const QString clip = dir.filePath("long.mp4");
    ASSERT_TRUE(testsupport::makeClip(clip, {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25", "-frames:v", "1500",
                                             "-pix_fmt", "yuv420p"}));
    QStringList errors;
    TMainForm form{MainPorts{nullptr, nullptr, [&errors](const QString& m) { errors << m; }, {}, {}, {}}};
    form.resize(640, 480);
    form.show();
    // "OK" in the options, then "Annuler" in the progress window, clicked
    // as a user would once each shows.
    QStringList seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        if (modal->objectName() == "OptAvi" && !seen.contains("OptAvi")) {
            seen << "OptAvi";
            QTest::mouseClick(modal->findChild<QPushButton*>("Button2"), Qt::LeftButton);
        } else if (modal->objectName() == "ProgressDialog" && !seen.contains("ProgressDialog")) {
            seen << "ProgressDialog";
            QTest::mouseClick(modal->findChild<QPushButton*>(), Qt::LeftButton);
        }
    });
    poll.start(20);
    form.child().Charge(clip);
    poll.stop();
    EXPECT_EQ(seen, (QStringList{"OptAvi", "ProgressDialog"}));
    EXPECT_EQ(form.child().ImageList1.count(), 0);
    EXPECT_TRUE(form.child().FileName.isEmpty());
    EXPECT_TRUE(errors.isEmpty()) << errors.join(' ').toStdString();
}

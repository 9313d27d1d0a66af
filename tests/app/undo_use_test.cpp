// Every kind of change undone with Ctrl+Z and redone with Ctrl+Y (and
// Ctrl+Shift+Z) in the main window, the keys typed on the picture after a
// click, as a user would.
#include "app/mainform.h"
#include "document/child.h"
#include "document/scripted.h"
#include "support/testsupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace orugif;

namespace {

struct Prompts : test::ScriptedPrompts {
    AnimationWizardResult animation;
    BannerWizardResult banner;
    AnimationWizardResult runAnimationWizard() override { return animation; }
    BannerWizardResult runBannerWizard() override { return banner; }
};

// A frame of one colour with a black top row and a white pixel near the
// left: every mirror, turn and move shows.
QImage marked(unsigned rgb)
{
    QImage p = testsupport::solid(8, 8, rgb);
    for (int x = 0; x < 8; ++x)
        p.setPixel(x, 0, qRgb(0, 0, 0));
    p.setPixel(1, 3, qRgb(255, 255, 255));
    return p;
}

struct Window {
    QTemporaryDir dir;
    std::shared_ptr<Prompts> prompts = std::make_shared<Prompts>();
    QStringList errors;
    TMainForm form{MainPorts{prompts, nullptr, [this](const QString& m) { errors << m; }, {}, {}, {}}};

    TChild& child() { return form.child(); }
    QWidget* image() { return form.findChild<QWidget*>(QStringLiteral("Image1")); }
    QToolButton* button(const char* name) { return form.findChild<QToolButton*>(QString::fromLatin1(name)); }
    void run(const char* action) { form.action(action)->trigger(); }
    QString caption(const char* action) { return form.action(action)->text().remove('&'); }

    // Three pasted frames with delays of their own, the first one current.
    void start()
    {
        form.resize(640, 480);
        form.show();
        QApplication::setActiveWindow(&form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        for (unsigned rgb : {0xff0000u, 0x00ff00u, 0x0000ffu}) {
            if (rgb != 0xff0000u)
                run("Ajiouter1");
            QGuiApplication::clipboard()->setImage(marked(rgb));
            run("Coller1");
        }
        run("Premier1");
        child().ImageList1.setDelay(1, 70);
    }
    // A click on the picture with the pointer tool, then `key` typed on the
    // widget that took the focus.
    void type(Qt::Key key, Qt::KeyboardModifiers modifiers)
    {
        QTest::mouseClick(button("SpeedButton9"), Qt::LeftButton);
        QTest::mouseClick(image(), Qt::LeftButton, {}, QPoint(1, 1));
        QWidget* focus = QApplication::focusWidget();
        ASSERT_TRUE(focus);
        QTest::keyClick(focus, key, modifiers);
    }
    QString picturePath(const char* name, unsigned rgb)
    {
        const QString path = dir.filePath(QString::fromLatin1(name));
        testsupport::solid(5, 5, rgb).save(path);
        return path;
    }
};

// What undo must give back: the frames as saved, their delays, the frame
// shown and the settings.
struct Look {
    std::vector<QImage> frames;
    std::vector<int> delays;
    int current;
    QImage picture;
    int repeat, delay;
    bool transparent, local, merge, useless;
    QString file;
    bool operator==(const Look&) const = default;
};

Look look(const TChild& c)
{
    return {c.framesAsSaved(),       c.frameDelays(),       c.CurrentIndex,         c.picture(),
            c.RepeatCount,           c.FrameDelay,          c.TransparentBackground, c.RemoveLocalPalettes,
            c.MergeDuplicatePixels, c.RemoveUselessFrames, c.FileName};
}

struct Change {
    const char* name;
    std::function<void(Window&)> make;
};

void PrintTo(const Change& c, std::ostream* os) { *os << c.name; }

class EveryChange : public ::testing::TestWithParam<Change> {};

} // namespace

TEST_P(EveryChange, isUndoneByCtrlZAndRedoneByCtrlYOrCtrlShiftZ)
{
    const Change& change = GetParam();
    Window w;
    w.start();
    const Look before = look(w.child());
    change.make(w);
    ASSERT_TRUE(w.errors.isEmpty()) << w.errors.join('\n').toStdString();
    const Look after = look(w.child());
    ASSERT_FALSE(after == before) << "the change did nothing";
    EXPECT_EQ(w.caption("Annuler1"), QStringLiteral("Annuler %1").arg(QString::fromUtf8(change.name)));
    EXPECT_FALSE(w.form.action("Retablir1")->isEnabled());

    w.type(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(look(w.child()) == before) << "undo";
    EXPECT_EQ(w.caption("Retablir1"), QStringLiteral("Rétablir %1").arg(QString::fromUtf8(change.name)));
    w.type(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_TRUE(look(w.child()) == after) << "redo";
    w.type(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(look(w.child()) == before) << "undo again";
    w.type(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(look(w.child()) == after) << "redo with Ctrl+Shift+Z";
    EXPECT_FALSE(w.form.action("Retablir1")->isEnabled());
    EXPECT_EQ(w.caption("Retablir1"), "Rétablir");
    EXPECT_TRUE(w.errors.isEmpty()) << w.errors.join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    MainWindow, EveryChange,
    ::testing::Values(
        Change{"Remplir",
               [](Window& w) {
                   w.form.setDrawingColour(colourFromRgb(255, 0, 255));
                   QTest::mouseClick(w.button("FillButton"), Qt::LeftButton);
                   QTest::mouseClick(w.image(), Qt::LeftButton, {}, QPoint(4, 5));
               }},
        Change{"Pinceau",
               [](Window& w) {
                   QTest::mouseClick(w.button("SpeedButton11"), Qt::LeftButton);
                   QTest::mousePress(w.image(), Qt::LeftButton, {}, QPoint(1, 5));
                   QTest::mouseMove(w.image(), QPoint(6, 5));
                   QTest::mouseRelease(w.image(), Qt::LeftButton, {}, QPoint(6, 5));
               }},
        Change{"Texte",
               [](Window& w) {
                   w.prompts->text = "A";
                   QTest::mouseClick(w.button("TextButton"), Qt::LeftButton);
                   QTest::mouseClick(w.image(), Qt::LeftButton, {}, QPoint(1, 1));
               }},
        Change{"Miroir horizontal", [](Window& w) { w.run("Miroirhorizontal1"); }},
        Change{"Miroir vertical", [](Window& w) { w.run("MiroirVertical1"); }},
        Change{"Rotation",
               [](Window& w) {
                   w.prompts->rotation = 1;
                   w.run("Rotation1");
               }},
        Change{"Déplacer",
               [](Window& w) {
                   w.prompts->move = QPoint(2, 1);
                   w.run("Dplacer1");
               }},
        Change{"Effets spéciaux",
               [](Window& w) {
                   w.prompts->effectResult = testsupport::solid(8, 8, 0x123456);
                   w.run("Effetsspciaux1");
               }},
        Change{"Transition après",
               [](Window& w) {
                   w.prompts->transition = {0, 2};
                   w.run("Transiitonaprs1");
               }},
        Change{"Transition avant",
               [](Window& w) {
                   w.prompts->transition = {1, 3};
                   w.run("Transiitonavant1");
               }},
        Change{"Ajouter", [](Window& w) { w.run("Ajiouter1"); }},
        Change{"Insérer", [](Window& w) { w.run("Insrer1"); }},
        Change{"Supprimer", [](Window& w) { w.run("Supprimer1"); }},
        Change{"Couper", [](Window& w) { w.run("Couper1"); }},
        Change{"Coller",
               [](Window& w) {
                   QGuiApplication::clipboard()->setImage(testsupport::solid(3, 3, 0xff00ff));
                   w.run("Coller1");
               }},
        Change{"Effacer",
               [](Window& w) {
                   w.prompts->answers = {Answer::Ok};
                   w.run("Effacer1");
               }},
        Change{"Inverser l'ordre", [](Window& w) { w.run("Inverserlordre1"); }},
        Change{"Liste des cadres",
               [](Window& w) {
                   w.prompts->frameOrder = {2, 0};
                   w.run("Listedescadres1");
               }},
        Change{"Durée du cadre",
               [](Window& w) {
                   w.prompts->frameDelay = 77;
                   w.run("Dureducadre1");
               }},
        Change{"Propriétés",
               [](Window& w) {
                   w.prompts->properties = {{3, 55, true}};
                   w.run("Proprits1");
               }},
        Change{"Optimisation",
               [](Window& w) {
                   w.prompts->optimisation = {{true, true, true}};
                   w.run("Optimisation1");
               }},
        Change{"Redimensionner",
               [](Window& w) {
                   w.prompts->resize = QSize(5, 4);
                   w.run("Redimensionner1");
               }},
        Change{"Rééchantillonner",
               [](Window& w) {
                   w.prompts->resize = QSize(4, 6);
                   w.run("Rchantilloner1");
               }},
        Change{"Importer image",
               [](Window& w) {
                   w.prompts->importFile = w.picturePath("i.png", 0x00ffff);
                   w.run("Importerimage1");
               }},
        Change{"Animation",
               [](Window& w) {
                   w.prompts->animation.files << w.picturePath("a.png", 0x808080) << w.picturePath("b.png", 0x404040);
                   w.prompts->answers = {Answer::No};  // the pasted frames are not saved
                   w.run("Animation2");
               }},
        Change{"Bannière", [](Window& w) {
                   w.prompts->banner.text = "Oru";
                   w.prompts->banner.frames = 3;
                   w.prompts->answers = {Answer::No};
                   w.run("Bannire1");
               }}));

TEST(UndoCommands, areDisabledAndPlainWhenThereIsNothingToUndoOrRedo)
{
    Window w;
    EXPECT_FALSE(w.form.action("Annuler1")->isEnabled());
    EXPECT_FALSE(w.form.action("Retablir1")->isEnabled());
    w.start();
    EXPECT_TRUE(w.form.action("Annuler1")->isEnabled());
    w.run("Miroirhorizontal1");
    EXPECT_EQ(w.form.action("Annuler1")->text(), "&Annuler Miroir horizontal");
    w.run("Annuler1");
    EXPECT_EQ(w.form.action("Retablir1")->text(), "&Rétablir Miroir horizontal");
    w.prompts->answers = {Answer::No};  // the pasted frames are not saved
    w.run("Nouveau1");
    EXPECT_FALSE(w.form.action("Annuler1")->isEnabled());
    EXPECT_FALSE(w.form.action("Retablir1")->isEnabled());
    EXPECT_EQ(w.form.action("Annuler1")->text(), "&Annuler");
    EXPECT_EQ(w.form.action("Retablir1")->text(), "&Rétablir");
}

// The real properties dialog: "Annuler" changes and marks nothing; OK with a
// new "Durée" sets every frame's delay, says so, and is undone.
TEST(UndoCommands, propertiesCancelledMarkNothingAndANewDelayIsUndone)
{
    TMainForm form{MainPorts{nullptr, nullptr, [](const QString&) {}, {}, {}, {}}};
    TChild& c = form.child();
    c.ImageList1.assign({testsupport::solid(6, 4, 1), testsupport::solid(6, 4, 2)}, QSize(6, 4), {10, 250});
    c.NewFrame = false;
    c.LitCadre();
    form.Valide();
    const auto answer = [](const char* button, const QString& delay, QString* note) {
        QTimer::singleShot(0, [=] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (!dialog)
                return;
            if (note)
                *note = dialog->findChild<QLabel*>("Label4")->text();
            if (!delay.isEmpty())
                dialog->findChild<QLineEdit*>("SpinEdit2")->setText(delay);
            QTest::mouseClick(dialog->findChild<QPushButton*>(button), Qt::LeftButton);
        });
    };
    answer("Button1", "45", nullptr);  // typed, then "Annuler"
    form.action("Proprits1")->trigger();
    EXPECT_FALSE(c.Modified);
    EXPECT_EQ(c.frameDelays(), (std::vector<int>{10, 250}));
    EXPECT_FALSE(form.action("Annuler1")->isEnabled());

    QString note;
    answer("Button2", "45", &note);
    form.action("Proprits1")->trigger();
    EXPECT_EQ(note, QString::fromUtf8("Appliquée à tous les cadres"));
    EXPECT_TRUE(c.Modified);
    EXPECT_EQ(c.frameDelays(), (std::vector<int>{45, 45}));
    EXPECT_EQ(form.action("Annuler1")->text(), QString::fromUtf8("&Annuler Propriétés"));
    form.action("Annuler1")->trigger();
    EXPECT_EQ(c.frameDelays(), (std::vector<int>{10, 250}));
    EXPECT_EQ(c.FrameDelay, 30);
    EXPECT_FALSE(c.Modified);  // back to the document as it was
}

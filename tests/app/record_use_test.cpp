// "Enregistrer l'écran..." as a user goes through it, on a screen of the
// test's own whose picture changes with the time: the tool-bar button, the
// options (a typed region), "Pause", "Reprendre" and "Arrêter" clicked in the
// control window; the frames become the document with the time recorded,
// pauses left out. Without a screen, the command is disabled and says why.
#include "app/mainform.h"
#include "document/child.h"
#include "document/scripted.h"
#include "record/dialogs/regionpicker.h"
#include "record/screensource.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <numeric>

using namespace orugif;

namespace {

// 320 x 200, a bar that moves one pixel a hundredth of a second.
class MovingBar : public record::ScreenSource {
public:
    QRect screenRect() const override { return {0, 0, 320, 200}; }
    bool grab(const QRect& region, bool, QImage& into) override
    {
        const auto cs = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - origin_).count() / 10;
        QImage screen(320, 200, QImage::Format_RGB32);
        screen.fill(0xffffffffu);
        for (int y = 0; y < 200; ++y)
            reinterpret_cast<std::uint32_t*>(screen.scanLine(y))[cs % 320] = 0xff000000u;
        into = screen.copy(region);
        return true;
    }
    std::optional<QRect> windowRect(std::uint32_t) override { return std::nullopt; }
    std::optional<std::pair<std::uint32_t, QRect>> windowAt(QPoint, std::uint32_t) override { return std::nullopt; }

private:
    std::chrono::steady_clock::time_point origin_ = std::chrono::steady_clock::now();
};

QPushButton* button(QWidget* w, const char* name) { return w->findChild<QPushButton*>(QString::fromLatin1(name)); }

// Types `value` into the spin box as a user would: a click, select all, the digits.
void type(QSpinBox* box, int value)
{
    QTest::mouseClick(box, Qt::LeftButton);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, QString::number(value));
    QTest::keyClick(box, Qt::Key_Tab);
}

} // namespace

TEST(RecordUse, RecordsARegionWithAPauseIntoTheDocument)
{
    auto prompts = std::make_shared<test::ScriptedPrompts>();
    QStringList errors;
    MainPorts ports{prompts, nullptr, [&errors](const QString& m) { errors << m; }};
    ports.openScreen = [](QString*) { return std::make_unique<MovingBar>(); };
    ports.recordCountdown = 0;
    TMainForm form(ports);
    form.resize(640, 480);
    form.move(400, 300);  // away from the region: the editor stays in place
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    auto* record = form.findChild<QToolButton*>(QStringLiteral("RecordBtn"));
    ASSERT_TRUE(record && record->isEnabled());

    bool optionsSeen = false, controlSeen = false;
    QElapsedTimer clock;
    std::int64_t pausedMs = 0;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 3000));
        QWidget* options = QApplication::activeModalWidget();
        optionsSeen = options->objectName() == QLatin1String("Enregistrement");
        type(options->findChild<QSpinBox*>(QStringLiteral("SpinEditX")), 40);
        type(options->findChild<QSpinBox*>(QStringLiteral("SpinEditY")), 20);
        type(options->findChild<QSpinBox*>(QStringLiteral("SpinEditW")), 200);
        type(options->findChild<QSpinBox*>(QStringLiteral("SpinEditH")), 100);
        type(options->findChild<QSpinBox*>(QStringLiteral("SpinEdit1")), 20);
        QTimer::singleShot(0, [&] {
            ASSERT_TRUE(QTest::qWaitFor([] {
                QWidget* w = QApplication::activeModalWidget();
                return w && w->objectName() == QLatin1String("ControleEnregistrement");
            }, 3000));
            QWidget* control = QApplication::activeModalWidget();
            controlSeen = true;
            clock.start();
            QTest::qWait(500);
            QTest::mouseClick(button(control, "Button1"), Qt::LeftButton);  // Pause
            EXPECT_EQ(button(control, "Button1")->text(), QStringLiteral("&Reprendre"));
            QElapsedTimer paused;
            paused.start();
            QTest::qWait(600);
            EXPECT_TRUE(control->findChild<QLabel*>(QStringLiteral("Label1"))->text().startsWith(QStringLiteral("En pause")));
            QTest::mouseClick(button(control, "Button1"), Qt::LeftButton);  // Reprendre
            pausedMs = paused.elapsed();
            QTest::qWait(500);
            QTest::mouseClick(button(control, "Button2"), Qt::LeftButton);  // Arrêter
        });
        QTest::mouseClick(button(options, "Button2"), Qt::LeftButton);  // Enregistrer
    });
    QTest::mouseClick(record, Qt::LeftButton);
    const std::int64_t recordedMs = clock.elapsed() - pausedMs;

    EXPECT_TRUE(optionsSeen);
    EXPECT_TRUE(controlSeen);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    TChild& c = form.child();
    ASSERT_GE(c.ImageList1.count(), 10);
    EXPECT_EQ(c.ImageList1.frameSize(), QSize(200, 100));
    int total = 0;
    for (int i = 0; i < c.ImageList1.count(); ++i)
        total += c.frameDelay(i);
    EXPECT_NEAR(total * 10, double(recordedMs), 60.0);  // the pause is not in the animation
    EXPECT_TRUE(c.Modified);
    EXPECT_TRUE(c.FileName.isEmpty());
    EXPECT_EQ(c.ColorReduction, 7);  // "Automatique" would put the screen on the cube
    // The bar moved between frames; every frame is the region of the screen.
    EXPECT_NE(c.ImageList1.frame(0), c.ImageList1.frame(1));
    // The recording is one document: undoing has nothing to take back.
    EXPECT_FALSE(form.action("Annuler1")->isEnabled());
}

TEST(RecordUse, WithoutAScreenTheCommandIsDisabledAndSaysWhy)
{
    MainPorts ports{std::make_shared<test::ScriptedPrompts>(), nullptr, [](const QString&) {}};
    ports.openScreen = [](QString* why) {
        *why = QStringLiteral("L'enregistrement de l'écran demande une session X11.");
        return std::unique_ptr<record::ScreenSource>();
    };
    TMainForm form(ports);
    for (const char* name : {"Enregistrerecran1"}) {
        QAction* a = form.action(name);
        ASSERT_TRUE(a);
        EXPECT_FALSE(a->isEnabled());
        EXPECT_TRUE(a->statusTip().contains(QStringLiteral("X11")));
    }
    auto* b = form.findChild<QToolButton*>(QStringLiteral("RecordBtn"));
    ASSERT_TRUE(b);
    EXPECT_FALSE(b->isEnabled());
    EXPECT_TRUE(b->toolTip().contains(QStringLiteral("X11")));
    form.Valide();  // a document's commands coming on does not bring it back
    EXPECT_FALSE(b->isEnabled());
}

// The picker over a still of the screen: a drag gives the region, a click
// too small to be one gives nothing, Escape cancels; in window mode a click
// gives the rectangle of the window under it.
TEST(RecordUse, PickerTakesADragOrAClickedWindow)
{
    QImage still(320, 200, QImage::Format_RGB32);
    still.fill(Qt::white);
    {
        record::RegionPicker picker(still, {});
        picker.resize(320, 200);
        picker.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&picker));
        QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(50, 50));  // no region: still open
        EXPECT_TRUE(picker.isVisible());
        QTest::mousePress(&picker, Qt::LeftButton, {}, QPoint(200, 150));
        QTest::mouseMove(&picker, QPoint(120, 90));
        QTest::mouseMove(&picker, QPoint(30, 20));
        QTest::mouseRelease(&picker, Qt::LeftButton, {}, QPoint(30, 20));
        EXPECT_EQ(picker.result(), QDialog::Accepted);
        EXPECT_EQ(picker.picked(), QRect(QPoint(30, 20), QPoint(200, 150)));
    }
    {
        record::RegionPicker picker(still, [](QPoint p) -> std::optional<QRect> {
            if (QRect(100, 60, 80, 40).contains(p))
                return QRect(100, 60, 80, 40);
            return std::nullopt;
        });
        picker.resize(320, 200);
        picker.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&picker));
        QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(10, 10));  // no window there
        EXPECT_TRUE(picker.isVisible());
        QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(120, 70));
        EXPECT_EQ(picker.picked(), QRect(100, 60, 80, 40));
    }
    {
        record::RegionPicker picker(still, {});
        picker.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&picker));
        QTest::keyClick(&picker, Qt::Key_Escape);
        EXPECT_EQ(picker.result(), QDialog::Rejected);
        EXPECT_TRUE(picker.picked().isEmpty());
    }
}

namespace {

// What the desktop answers when asked to share its screen, in turn.
struct Desktop {
    std::vector<record::ScreenSource::Sharing> answers;
    int asked = 0;
};

// A screen shared by the desktop only when asked, as under Wayland: before
// that 320 x 200 is a guess and nothing can be read; the screen it shares is
// 360 x 240. No window by click, no global keys.
class SharedScreen : public MovingBar {
public:
    explicit SharedScreen(std::shared_ptr<Desktop> desktop) : desktop_(std::move(desktop)) {}
    QRect screenRect() const override { return shared_ ? QRect(0, 0, 360, 240) : QRect(0, 0, 320, 200); }
    bool grab(const QRect& region, bool, QImage& into) override
    {
        if (!shared_ || !screenRect().contains(region))
            return false;
        into = QImage(region.size(), QImage::Format_RGB32);
        into.fill(QColor::fromHsv(int(++grabs_ % 360), 255, 255));
        return true;
    }
    record::ScreenTraits traits() const override
    {
        record::ScreenTraits t;
        t.windowsByPlace = false;
        t.windowNote = QStringLiteral("Ce bureau ne partage pas une fenêtre seule.");
        t.globalKeys = false;
        return t;
    }
    Sharing share(bool, bool, QString* why) override
    {
        const Sharing answer = desktop_->answers.at(std::size_t(desktop_->asked++));
        if (answer == Sharing::Failed)
            *why = QStringLiteral("Le bureau a refusé le partage de l'écran.");
        shared_ = answer == Sharing::Ready;
        return answer;
    }

private:
    std::shared_ptr<Desktop> desktop_;
    bool shared_ = false;
    int grabs_ = 0;
};

} // namespace

// Under Wayland: the dialog says what the session cannot do; the desktop is
// asked to share the screen when "Enregistrer" is clicked. A cancel there
// changes nothing and says nothing, a refusal says why, and once shared the
// whole screen is the one the desktop gives, not the guess made before.
TEST(RecordUse, ASharedScreenIsAskedForWhenTheRecordingStarts)
{
    auto desktop = std::make_shared<Desktop>();
    using Sharing = record::ScreenSource::Sharing;
    desktop->answers = {Sharing::Cancelled, Sharing::Failed, Sharing::Ready};
    auto prompts = std::make_shared<test::ScriptedPrompts>();
    QStringList errors;
    MainPorts ports{prompts, nullptr, [&errors](const QString& m) { errors << m; }};
    ports.openScreen = [desktop](QString*) { return std::make_unique<SharedScreen>(desktop); };
    ports.recordCountdown = 0;
    TMainForm form(ports);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    auto* record = form.findChild<QToolButton*>(QStringLiteral("RecordBtn"));
    ASSERT_TRUE(record && record->isEnabled());
    const int framesBefore = form.child().ImageList1.count();

    bool controlSeen = false, noteSeen = false;
    // Clicks "Écran entier" and "Enregistrer"; stops the recording when a
    // control window comes.
    const auto recordWholeScreen = [&] {
        QTimer::singleShot(0, [&] {
            ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 3000));
            QWidget* options = QApplication::activeModalWidget();
            auto* window = options->findChild<QRadioButton*>(QStringLiteral("RadioButton2"));
            EXPECT_FALSE(window->isEnabled());
            EXPECT_EQ(window->toolTip(), QStringLiteral("Ce bureau ne partage pas une fenêtre seule."));
            EXPECT_TRUE(options->findChild<QLabel*>(QStringLiteral("Label1"))->text().contains(QStringLiteral("ne sont pas disponibles")));
            QTest::mouseClick(options->findChild<QRadioButton*>(QStringLiteral("RadioButton1")), Qt::LeftButton);
            QTimer::singleShot(0, [&] {
                if (!QTest::qWaitFor([] {
                        QWidget* w = QApplication::activeModalWidget();
                        return w && w->objectName() == QLatin1String("ControleEnregistrement");
                    }, 1000))
                    return;  // no recording this time
                QWidget* control = QApplication::activeModalWidget();
                controlSeen = true;
                noteSeen = control->findChild<QLabel*>(QStringLiteral("Label2")) != nullptr;
                QTest::qWait(300);
                QTest::mouseClick(button(control, "Button2"), Qt::LeftButton);  // Arrêter
            });
            QTest::mouseClick(button(options, "Button2"), Qt::LeftButton);  // Enregistrer
        });
        QTest::mouseClick(record, Qt::LeftButton);
    };

    recordWholeScreen();  // the user closes the desktop's chooser
    EXPECT_EQ(desktop->asked, 1);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_FALSE(controlSeen);
    EXPECT_EQ(form.child().ImageList1.count(), framesBefore);

    recordWholeScreen();  // the desktop refuses
    EXPECT_EQ(desktop->asked, 2);
    EXPECT_EQ(errors, QStringList{QStringLiteral("Le bureau a refusé le partage de l'écran.")});
    EXPECT_FALSE(controlSeen);
    EXPECT_EQ(form.child().ImageList1.count(), framesBefore);
    EXPECT_FALSE(form.child().Modified);

    errors.clear();
    recordWholeScreen();
    EXPECT_EQ(desktop->asked, 3);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_TRUE(controlSeen);
    EXPECT_TRUE(noteSeen);  // the control window says its buttons are the only way
    ASSERT_GE(form.child().ImageList1.count(), 1);
    EXPECT_EQ(form.child().ImageList1.frameSize(), QSize(360, 240));
}

// The frame strip in the main window, used with the mouse and the keys as a
// user would: a range chosen with Shift, dragged, deleted, given a delay, a
// speed and every second frame dropped, each undone with Ctrl+Z and redone
// with Ctrl+Y, the frames and delays checked at every step.
#include "app/mainform.h"
#include "document/child.h"
#include "document/scripted.h"
#include "document/view/childwindow.h"
#include "document/view/framestrip.h"
#include "document/view/thumbnails.h"
#include "support/testsupport.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QScrollBar>
#include <QSettings>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace orugif;

namespace {

struct Window {
    std::shared_ptr<test::ScriptedPrompts> prompts = std::make_shared<test::ScriptedPrompts>();
    QStringList errors;
    TMainForm form{MainPorts{prompts, nullptr, [this](const QString& m) { errors << m; }, {}, {}, {}}};

    TChild& child() { return form.child(); }
    FrameStrip* strip() { return form.childWindow()->frameStrip(); }
    QWidget* viewport() { return strip()->viewport(); }
    QPoint centreOf(int row) { return strip()->visualRect(strip()->model()->index(row, 0)).center(); }

    // Ten frames of 40 x 30, frame i of blue i + 1, delays 10 to 19.
    void start(int frames = 10)
    {
        form.resize(900, 600);
        form.show();
        QApplication::setActiveWindow(&form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        std::vector<QImage> pictures;
        std::vector<int> delays;
        for (int i = 0; i < frames; ++i) {
            pictures.push_back(testsupport::solid(40, 30, unsigned(i + 1)));
            delays.push_back(10 + i);
        }
        child().ImageList1.assign(std::move(pictures), QSize(40, 30), delays);
        child().NewFrame = false;
        child().goToFrame(0);
        strip()->setZoom(2);
        QTest::mouseClick(viewport(), Qt::LeftButton, {}, centreOf(0));
        ASSERT_EQ(QApplication::focusWidget(), strip());
    }
    // The frames' colours (1 for the first frame made, ...) and delays.
    std::vector<int> frames()
    {
        std::vector<int> colours;
        for (const QImage& f : child().ImageList1.frames())
            colours.push_back(int(f.pixel(0, 0) & 0xff));
        return colours;
    }
    void key(Qt::Key k, Qt::KeyboardModifiers m = {}) { QTest::keyClick(strip(), k, m); }
    void click(int row, Qt::KeyboardModifiers m = {}) { QTest::mouseClick(viewport(), Qt::LeftButton, m, centreOf(row)); }
    // Opens the context menu on `row` with a right click and chooses `item`.
    void menu(int row, const char* item)
    {
        bool chosen = false;
        QTimer::singleShot(0, [&] {
            auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!popup)
                return;
            QAction* action = popup->findChild<QAction*>(QString::fromLatin1(item));
            if (!action) {
                popup->close();
                return;
            }
            QTest::mouseClick(popup, Qt::LeftButton, {}, popup->actionGeometry(action).center());
            chosen = true;
        });
        const QPoint at = centreOf(row);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, viewport()->mapToGlobal(at));
        QApplication::sendEvent(viewport(), &event);
        EXPECT_TRUE(chosen) << item;
        // The window is active again once the menu has gone.
        QApplication::setActiveWindow(&form);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    // Undo and redo of the last step with the keys, the frames checked each way.
    void undoRedo(const std::vector<int>& before, const std::vector<int>& beforeDelays)
    {
        const std::vector<int> after = frames(), afterDelays = child().frameDelays();
        key(Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(frames(), before);
        EXPECT_EQ(child().frameDelays(), beforeDelays);
        EXPECT_EQ(strip()->model()->rowCount(), int(before.size()));
        key(Qt::Key_Y, Qt::ControlModifier);
        EXPECT_EQ(frames(), after);
        EXPECT_EQ(child().frameDelays(), afterDelays);
        EXPECT_EQ(strip()->model()->rowCount(), int(after.size()));
    }
};

} // namespace

TEST(FrameStrip, aShiftRangeIsDraggedDeletedTimedSpedUpAndThinnedOutEachUndoable)
{
    Window w;
    w.start();
    const std::vector<int> start{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    const std::vector<int> startDelays{10, 11, 12, 13, 14, 15, 16, 17, 18, 19};

    // Frames 2 to 4 chosen with a click and a Shift click; the last clicked is current.
    w.click(1);
    w.click(3, Qt::ShiftModifier);
    EXPECT_EQ(w.child().selectedFrames(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(w.child().CurrentIndex, 3);
    EXPECT_EQ(w.child().statusText().left(12), "Cadre 4 / 10");

    // Dragged by its middle frame onto the right half of frame 8: after it.
    QTest::mousePress(w.viewport(), Qt::LeftButton, {}, w.centreOf(2));
    QTest::mouseMove(w.viewport(), w.centreOf(4));
    QTest::mouseMove(w.viewport(), w.centreOf(7) + QPoint(5, 0));
    QTest::mouseRelease(w.viewport(), Qt::LeftButton, {}, w.centreOf(7) + QPoint(5, 0));
    EXPECT_EQ(w.frames(), (std::vector<int>{1, 5, 6, 7, 8, 2, 3, 4, 9, 10}));
    EXPECT_EQ(w.child().frameDelays(), (std::vector<int>{10, 14, 15, 16, 17, 11, 12, 13, 18, 19}));
    EXPECT_EQ(w.child().selectedFrames(), (std::vector<int>{5, 6, 7}));
    EXPECT_EQ(w.child().CurrentIndex, 7);  // frame 4 stayed current
    w.undoRedo(start, startDelays);

    // Suppr deletes the three moved frames.
    auto before = w.frames();
    auto beforeDelays = w.child().frameDelays();
    w.child().setSelectedFrames({5, 6, 7});
    w.key(Qt::Key_Delete);
    EXPECT_EQ(w.frames(), (std::vector<int>{1, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(w.child().frameDelays(), (std::vector<int>{10, 14, 15, 16, 17, 18, 19}));
    w.undoRedo(before, beforeDelays);

    // "Durée des cadres..." on frames 1 to 3.
    before = w.frames();
    beforeDelays = w.child().frameDelays();
    w.click(0);
    w.click(2, Qt::ShiftModifier);
    w.prompts->framesDelay = 6;
    w.menu(1, "StripDelay");
    EXPECT_EQ(w.prompts->framesAsked, 3);
    EXPECT_EQ(w.child().frameDelays(), (std::vector<int>{6, 6, 6, 16, 17, 18, 19}));
    EXPECT_EQ(w.frames(), before);
    w.undoRedo(before, beforeDelays);

    // "Vitesse..." at 200 % on every frame, chosen with Ctrl+A: 88 hundredths become 44.
    beforeDelays = w.child().frameDelays();
    w.key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(w.child().selectedFrames().size(), 7u);
    w.prompts->speed = 200;
    w.menu(4, "StripSpeed");
    EXPECT_EQ(w.child().frameDelays(), (std::vector<int>{3, 3, 3, 8, 9, 9, 9}));
    w.undoRedo(before, beforeDelays);

    // "Supprimer un cadre sur N..." with 2: frames 5, 7 and 9 go, their
    // delays to the frame before each.
    beforeDelays = w.child().frameDelays();
    w.prompts->dropEvery = 2;
    w.menu(0, "StripDropEvery");
    EXPECT_EQ(w.frames(), (std::vector<int>{1, 6, 8, 10}));
    EXPECT_EQ(w.child().frameDelays(), (std::vector<int>{3 + 3, 3 + 8, 9 + 9, 9}));
    w.undoRedo(before, beforeDelays);
    EXPECT_TRUE(w.errors.isEmpty()) << w.errors.join('\n').toStdString();
}

// A click alone on a frame of the selection chooses it alone; Ctrl adds
// and takes away; the current frame follows the document's keys and the
// strip keeps it in view.
TEST(FrameStrip, clicksAndKeysChooseFramesAndTheCurrentOneStaysInView)
{
    Window w;
    w.start(60);
    w.click(1);
    w.click(3, Qt::ControlModifier);
    w.click(4, Qt::ControlModifier);
    w.click(3, Qt::ControlModifier);
    EXPECT_EQ(w.child().selectedFrames(), (std::vector<int>{1, 4}));
    w.click(1);
    EXPECT_EQ(w.child().selectedFrames(), (std::vector<int>{1}));
    w.form.action("Dernier1")->trigger();
    EXPECT_EQ(w.child().CurrentIndex, 59);
    // The painted part of the cell (a pixel in from each side) is in view.
    const QRect last = w.strip()->visualRect(w.strip()->model()->index(59, 0)).adjusted(1, 0, -1, 0);
    EXPECT_TRUE(w.viewport()->rect().contains(last)) << last.x() << " " << w.viewport()->width();
    w.key(Qt::Key_PageUp);
    EXPECT_EQ(w.child().CurrentIndex, 58);
}

// Thumbnails come from the background; the zoom goes from every frame in
// the width to large thumbnails; hiding the strip is remembered.
TEST(FrameStrip, thumbnailsArriveZoomFitsAndTheStripIsRemembered)
{
    {
        Window w;
        w.start(40);
        FrameStrip* strip = w.strip();
        // Grey until the thumbnail comes, then frame 6's own blue.
        const QPoint centre = w.centreOf(5);
        const auto shown = [&] { return strip->viewport()->grab().toImage().pixel(centre) & 0xffffff; };
        QTRY_COMPARE_WITH_TIMEOUT(shown(), 6u, 5000);
        auto* slider = w.form.findChild<QSlider*>(QStringLiteral("StripZoom"));
        ASSERT_TRUE(slider);
        slider->setValue(0);
        EXPECT_EQ(strip->zoom(), 0);
        const QRect last = strip->visualRect(strip->model()->index(39, 0));
        EXPECT_LE(last.right(), strip->viewport()->width());
        slider->setValue(FrameStrip::kZoomLevels - 1);
        EXPECT_GT(strip->cellSize().height(), 150);
        w.form.action("Bandedescadres1")->trigger();
        EXPECT_FALSE(w.form.childWindow()->stripShown());
        w.form.close();
    }
    EXPECT_FALSE(QSettings().value("window/frameStrip").toBool());
    {
        Window w;
        EXPECT_FALSE(w.form.childWindow()->stripShown());
        EXPECT_FALSE(w.form.action("Bandedescadres1")->isChecked());
        w.form.action("Bandedescadres1")->trigger();
        EXPECT_TRUE(w.form.childWindow()->stripShown());
    }
    QSettings().remove("window/frameStrip");
}

// A thumbnail keeps the frame's aspect inside its box and averages the
// frame's colours (the halves stay apart); it comes from the thread after
// being asked for, and a new box asks again.
TEST(FrameStripThumbnails, fitTheBoxAndArriveFromTheThread)
{
    QImage frame = testsupport::solid(640, 480, 0xff0000);
    for (int y = 0; y < 480; ++y)
        for (int x = 320; x < 640; ++x)
            frame.setPixel(x, y, qRgb(0, 0, 255));
    const QImage made = ThumbnailMaker::make(frame, QSize(64, 64));
    ASSERT_EQ(made.size(), QSize(64, 48));
    EXPECT_EQ(made.pixel(10, 24) & 0xffffff, 0xff0000u);
    EXPECT_EQ(made.pixel(53, 24) & 0xffffff, 0x0000ffu);
    EXPECT_EQ(ThumbnailMaker::make(testsupport::solid(1, 500, 0), QSize(64, 48)).size(), QSize(1, 48));

    ThumbnailMaker maker;
    maker.setBox(QSize(32, 32));
    EXPECT_TRUE(maker.thumbnail(frame).isNull());
    QTRY_VERIFY_WITH_TIMEOUT(!maker.thumbnail(frame).isNull(), 5000);
    EXPECT_EQ(maker.thumbnail(frame).size(), QSize(32, 24));
    maker.setBox(QSize(96, 96));
    EXPECT_EQ(maker.thumbnail(frame).size(), QSize(32, 24));  // the old one meanwhile
    QTRY_COMPARE_WITH_TIMEOUT(maker.thumbnail(frame).size(), QSize(96, 72), 5000);
}

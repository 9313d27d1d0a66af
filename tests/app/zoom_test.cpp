// The zoom of the document window as a user drives it: Ctrl + wheel,
// Ctrl++ / Ctrl+- / Ctrl+0 and "Ajuster à la fenêtre" through real events, and
// every drawing tool hitting the pixel under the pointer at every level.
#include "app/mainform.h"
#include "document/child.h"
#include "document/prompts.h"
#include "document/view/childwindow.h"
#include "document/view/picturewidget.h"
#include "document/view/zoom.h"
#include "support/testsupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QScrollArea>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <cmath>

using namespace orugif;

namespace {

struct TextPrompts : DocumentPrompts {
    int textAsked = 0;
    Answer ask(const QString&, Choices) override { return Answer::Ok; }
    void inform(const QString&) override {}
    QString runText(int& angle, editing::TextFont&) override
    {
        ++textAsked;
        angle = 0;
        return QStringLiteral("A");
    }
};

// Every pixel its own colour, never black.
QImage uniquePixels(int w, int h)
{
    QImage p(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(p.scanLine(y));
        for (int x = 0; x < w; ++x)
            row[x] = qRgb(x & 0xff, y & 0xff, 0x80 | (x >> 8) | ((y >> 8) << 1));
    }
    return p;
}

struct Window {
    std::shared_ptr<TextPrompts> prompts = std::make_shared<TextPrompts>();
    TMainForm form{MainPorts{prompts, nullptr, [](const QString& m) { ADD_FAILURE() << m.toStdString(); }, {}, {}, {}}};

    TChild& child() { return form.child(); }
    PictureWidget* image() { return form.findChild<PictureWidget*>(QStringLiteral("Image1")); }
    QToolButton* button(const char* name) { return form.findChild<QToolButton*>(QString::fromLatin1(name)); }
    QString zoomText() { return form.findChild<QLabel*>(QStringLiteral("ZoomLabel"))->text(); }

    void showWith(const QImage& picture)
    {
        form.resize(800, 600);
        form.show();
        QApplication::setActiveWindow(&form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        QGuiApplication::clipboard()->setImage(picture);
        form.action("Coller1")->trigger();
        QTest::mouseClick(image(), Qt::LeftButton, {}, QPoint(0, 0));  // the document has the keys
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier)
    {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_TRUE(focus);
        QTest::keyClick(focus, key, modifiers);
    }
    // Reaches `scale` with the keys a user would press.
    void zoomTo(double scale)
    {
        key(Qt::Key_0);
        while (image()->scale() < scale - 1e-9)
            key(Qt::Key_Plus);
        while (image()->scale() > scale + 1e-9)
            key(Qt::Key_Minus);
    }
};

} // namespace

TEST(ZoomLevels, stepThroughTheLevelsAndStopAtTheEnds)
{
    std::vector<double> up{zoom::kMinimum};
    while (up.back() < zoom::kMaximum)
        up.push_back(zoom::zoomIn(up.back()));
    EXPECT_EQ(up, (std::vector<double>{0.125, 0.25, 0.5, 1, 2, 3, 4, 6, 8, 12, 16, 24, 32}));
    EXPECT_EQ(zoom::zoomIn(32.0), 32.0);
    EXPECT_EQ(zoom::zoomOut(0.125), 0.125);
    EXPECT_EQ(zoom::zoomIn(0.4), 0.5);  // from a fitted scale, the next level
    EXPECT_EQ(zoom::zoomOut(0.4), 0.25);
    EXPECT_EQ(zoom::percentText(0.125), QString::fromUtf8("12,5 %"));
    EXPECT_EQ(zoom::percentText(32.0), QString::fromUtf8("3200 %"));
}

// Every screen pixel of the shown picture reaches a pixel of the picture,
// and every picture pixel is reached.
class ShownPicture : public ::testing::TestWithParam<std::tuple<int, double>> {};

TEST_P(ShownPicture, coversEveryPixelAndNoMore)
{
    const auto [pixels, scale] = GetParam();
    const int shown = zoom::shownLength(pixels, scale);
    EXPECT_EQ(zoom::pixelAt(0, scale), 0);
    EXPECT_LE(zoom::pixelAt(shown - 1, scale), pixels - 1);
    // No screen pixel is wasted: one more would be past the picture.
    EXPECT_GE(zoom::pixelAt(shown, scale), scale >= 1.0 ? pixels : pixels - int(std::ceil(1.0 / scale)));
    if (scale >= 1.0) {
        EXPECT_EQ(zoom::pixelAt(shown - 1, scale), pixels - 1);
    }
    EXPECT_LT(zoom::pixelAt(-1, scale), 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ShownPicture,
                         ::testing::Combine(::testing::Values(1, 7, 400, 1500),
                                            ::testing::Values(0.125, 0.25, 0.5, 1.0, 0.37, 2.5, 3.0, 32.0)));

TEST(ZoomLevels, fitShowsThePictureWholeAndAsLargeAsTheRoomAllows)
{
    for (const auto& [picture, room] : std::vector<std::pair<QSize, QSize>>{
             {{1500, 1200}, {700, 500}}, {{10, 10}, {700, 500}}, {{3, 1000}, {700, 500}}, {{1, 1}, {10, 10}}}) {
        const double s = zoom::fitScale(picture, room);
        const QSize shown = zoom::shownSize(picture, s);
        EXPECT_LE(shown.width(), room.width());
        EXPECT_LE(shown.height(), room.height());
        EXPECT_TRUE(s == zoom::kMaximum || shown.width() >= room.width() - 2 || shown.height() >= room.height() - 2)
            << picture.width() << "x" << picture.height() << " at " << s;
    }
}

// A click at 1/8, 1, 3 and 32 x lands on floor(position / scale) for every tool.
enum class Tool { Pipette, Fill, Brush, Text };

class ZoomedClick : public ::testing::TestWithParam<std::tuple<double, Tool>> {};

TEST_P(ZoomedClick, landsOnThePixelUnderThePointer)
{
    const auto [scale, tool] = GetParam();
    const QImage picture = uniquePixels(400, 300);
    Window w;
    w.showWith(picture);
    const char* button = tool == Tool::Pipette ? "PipButton" : tool == Tool::Fill ? "FillButton"
                       : tool == Tool::Brush   ? "SpeedButton11" : "TextButton";
    QTest::mouseClick(w.button(button), Qt::LeftButton);
    w.child().setDrawingColourSource([] { return fromQRgb(qRgb(0, 0, 0)); });
    w.zoomTo(scale);
    ASSERT_EQ(w.image()->scale(), scale);
    ASSERT_EQ(w.image()->size(), QSize(int(std::ceil(400 * scale)), int(std::ceil(300 * scale))));

    const QSize shown = w.image()->size();
    for (const QPoint at : {QPoint(0, 1), QPoint(37, 21), QPoint(shown.width() - 1, shown.height() - 1)}) {
        const QPoint expected(int(std::floor(at.x() / scale)), int(std::floor(at.y() / scale)));
        SCOPED_TRACE(QStringLiteral("at %1,%2 expecting %3,%4").arg(at.x()).arg(at.y()).arg(expected.x()).arg(expected.y()).toStdString());
        const QImage before = w.child().picture();
        switch (tool) {
        case Tool::Pipette:
            QTest::mouseClick(w.image(), Qt::LeftButton, {}, at);
            EXPECT_EQ(toQRgb(w.form.drawingColour()), picture.pixel(expected));
            break;
        case Tool::Fill: {
            QTest::mouseClick(w.image(), Qt::LeftButton, {}, at);
            // Exactly one pixel changed, the expected one, to black.
            const QImage after = w.child().picture();
            int changed = 0;
            for (int y = 0; y < after.height(); ++y)
                for (int x = 0; x < after.width(); ++x)
                    changed += after.pixel(x, y) != before.pixel(x, y);
            EXPECT_EQ(changed, 1);
            EXPECT_EQ(after.pixel(expected), qRgb(0, 0, 0));
            break;
        }
        case Tool::Brush: {
            // A stroke to the next pixel along: it starts on the pixel
            // pressed and stops short of the one it goes to.
            const int step = int(std::ceil(scale));
            const QPoint to = at.x() + step < shown.width() ? at + QPoint(step, 0) : at - QPoint(step, 0);
            const QPoint end(int(std::floor(to.x() / scale)), expected.y());
            QTest::mousePress(w.image(), Qt::LeftButton, {}, at);
            QTest::mouseMove(w.image(), to);
            QTest::mouseRelease(w.image(), Qt::LeftButton, {}, to);
            const QImage after = w.child().picture();
            EXPECT_EQ(after.pixel(expected), qRgb(0, 0, 0));
            EXPECT_EQ(after.pixel(end), before.pixel(end));
            break;
        }
        case Tool::Text: {
            const int asked = w.prompts->textAsked;
            QTest::mouseClick(w.image(), Qt::LeftButton, {}, at);
            EXPECT_EQ(w.prompts->textAsked, asked + 1);
            EXPECT_EQ(QPoint(w.child().ClickX, w.child().ClickY), expected);
            break;
        }
        }
        // Above 1:1 the screen pixel shows exactly the pixel clicked.
        if (scale >= 1.0) {
            const QImage grabbed = w.image()->grab(QRect(at, QSize(1, 1))).toImage();
            EXPECT_EQ(grabbed.pixel(0, 0) & 0xffffffu, w.child().picture().pixel(expected) & 0xffffffu);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(LevelsAndTools, ZoomedClick,
                         ::testing::Combine(::testing::Values(0.125, 1.0, 3.0, 32.0),
                                            ::testing::Values(Tool::Pipette, Tool::Fill, Tool::Brush, Tool::Text)));

TEST(ZoomWindow, keysWheelAndFitChangeTheLevelShownInTheStatusLine)
{
    Window w;
    w.showWith(uniquePixels(1500, 1200));
    EXPECT_EQ(w.zoomText(), "100 %");
    w.key(Qt::Key_Plus);
    EXPECT_EQ(w.image()->scale(), 2.0);
    w.key(Qt::Key_Equal);  // where + needs Shift
    EXPECT_EQ(w.image()->scale(), 3.0);
    EXPECT_EQ(w.zoomText(), "300 %");
    w.key(Qt::Key_Minus);
    w.key(Qt::Key_Minus);
    w.key(Qt::Key_Minus);
    EXPECT_EQ(w.zoomText(), "50 %");
    w.key(Qt::Key_0);
    EXPECT_EQ(w.image()->scale(), 1.0);
    EXPECT_EQ(w.image()->size(), QSize(1500, 1200));

    // Ctrl + wheel: one notch a level; the wheel alone does not zoom.
    auto* viewport = w.form.childWindow()->findChild<QScrollArea*>()->viewport();
    const auto wheel = [&](int delta, Qt::KeyboardModifiers modifiers) {
        const QPointF at(50, 40);
        QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &event);
    };
    wheel(120, Qt::ControlModifier);
    EXPECT_EQ(w.image()->scale(), 2.0);
    wheel(-240, Qt::ControlModifier);
    EXPECT_EQ(w.image()->scale(), 0.5);
    wheel(60, Qt::ControlModifier);  // half a notch waits for the other half
    EXPECT_EQ(w.image()->scale(), 0.5);
    wheel(60, Qt::ControlModifier);
    EXPECT_EQ(w.image()->scale(), 1.0);
    wheel(120, Qt::NoModifier);
    EXPECT_EQ(w.image()->scale(), 1.0);

    // "Ajuster à la fenêtre": the whole frame in the view.
    w.form.action("Ajusterfenetre1")->trigger();
    const QSize room = w.form.childWindow()->findChild<QScrollArea*>()->maximumViewportSize();
    EXPECT_LT(w.image()->scale(), 1.0);
    EXPECT_LE(w.image()->width() + 2, room.width());
    EXPECT_LE(w.image()->height() + 2, room.height());
    EXPECT_TRUE(w.image()->width() + 2 >= room.width() - 1 || w.image()->height() + 2 >= room.height() - 1);
    EXPECT_TRUE(w.zoomText().endsWith(" %"));
}

TEST(ZoomWindow, theWheelKeepsThePixelUnderThePointerInPlace)
{
    Window w;
    w.showWith(uniquePixels(1500, 1200));
    auto* viewport = w.form.childWindow()->findChild<QScrollArea*>()->viewport();
    const QPoint at(123, 77);
    const QPoint before = w.image()->pixelAt(w.image()->mapFrom(viewport, at));
    QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, 360), Qt::NoButton, Qt::ControlModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &event);
    ASSERT_EQ(w.image()->scale(), 4.0);
    EXPECT_EQ(w.image()->pixelAt(w.image()->mapFrom(viewport, at)), before);
}

TEST(ZoomWindow, pixelsAreSquareAboveOneToOneAndSmoothBelow)
{
    // A checkerboard of black and white pixels.
    QImage board(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            board.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    Window w;
    w.showWith(board);
    w.zoomTo(4.0);
    const QImage big = w.image()->grab().toImage();
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
            ASSERT_EQ(big.pixel(x, y) & 0xffffffu, board.pixel(x / 4, y / 4) & 0xffffffu) << x << "," << y;
    w.zoomTo(0.5);
    const QImage small = w.image()->grab().toImage();
    const int grey = qGray(small.pixel(10, 10));
    EXPECT_GT(grey, 64);
    EXPECT_LT(grey, 192);
}

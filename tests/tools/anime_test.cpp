// The playback window offscreen: sizing, the paint counter, the pause and
// resume states, and still pictures.
#include "gif/painter.h"
#include "support/testsupport.h"
#include "tools/dialogs/anime.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace orugif;

namespace {

std::vector<QImage> frames(int count, int w, int h)
{
    std::vector<QImage> out;
    for (int i = 0; i < count; ++i)
        out.push_back(testsupport::solid(w, h, i % 2 ? 0xff0000 : 0x0000ff));
    return out;
}

bool waitUntil(const std::function<bool()>& condition, int ms = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return condition();
}

} // namespace

TEST(Anime, theWindowFitsThePictureAndNeverGetsNarrowerThan250)
{
    TAnime narrow;
    narrow.Init(frames(2, 16, 20), {});
    EXPECT_EQ(narrow.width(), 250);
    EXPECT_EQ(narrow.height(), 20 + 85);
    narrow.show();
    auto* picture = narrow.findChild<QLabel*>("Image10");
    EXPECT_EQ(picture->size(), QSize(16, 20));
    EXPECT_EQ(picture->x(), (250 - 16) / 2);
    EXPECT_EQ(picture->y(), (105 - 20 - 35) / 2 + 35);
    EXPECT_EQ(narrow.findChild<QWidget*>("Button1")->x(), 250 - 90);
    narrow.close();

    TAnime wide;
    wide.Init(frames(2, 300, 40), {});
    EXPECT_EQ(wide.width(), 350);
    EXPECT_EQ(wide.windowTitle(), "Anime");
}

TEST(Anime, theCounterCountsPaintEventsAndRestartsEachPass)
{
    AnimationSettings settings;
    settings.FrameDelay = 1;
    settings.RepeatCount = 2;  // two passes: 1, 2, 3 then 1 again, 2, 3
    TAnime window;
    window.Init(frames(2, 8, 8), settings);
    window.show();
    auto* label = window.findChild<QLabel*>("Label1");
    std::vector<QString> seen;
    ASSERT_TRUE(waitUntil([&] {
        if (seen.empty() || seen.back() != label->text())
            seen.push_back(label->text());
        return window.painter() && window.painter()->Finished();
    }));
    EXPECT_EQ(window.paintCounter(), 3);  // the last frame of a pass of two shows 3
    EXPECT_TRUE(std::find(seen.begin(), seen.end(), "2") != seen.end());
    window.close();
}

TEST(Anime, pauseAndResumeAreAStateMachine)
{
    AnimationSettings settings;
    settings.FrameDelay = 3;
    TAnime window;
    window.Init(frames(3, 8, 8), settings);
    window.show();
    ASSERT_TRUE(window.playing());
    auto* pause = window.findChild<QToolButton*>("SpeedButton2");
    auto* resume = window.findChild<QToolButton*>("SpeedButton1");
    pause->click();
    pause->click();
    EXPECT_FALSE(window.playing());
    EXPECT_TRUE(window.painter()->Paused());
    resume->click();
    EXPECT_TRUE(window.playing());
    EXPECT_FALSE(window.painter()->Paused());
    const int before = window.paintCounter();
    EXPECT_TRUE(waitUntil([&] { return window.paintCounter() != before; }));
    pause->click();
    window.close();  // closing while paused ends the painter
    EXPECT_EQ(window.painter(), nullptr);
}

TEST(Anime, aSingleFrameIsAStillPictureWithoutPainter)
{
    TAnime window;
    window.Init(frames(1, 10, 10), {});
    window.show();
    EXPECT_EQ(window.painter(), nullptr);
    EXPECT_TRUE(window.findChild<QLabel*>("Label1")->text().isEmpty());
    EXPECT_FALSE(window.findChild<QLabel*>("Image10")->pixmap().isNull());
    window.close();
}

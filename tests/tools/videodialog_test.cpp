// The video import options: the choice "OK" gives, the range fields, the
// width and the height that follows it.
#include "tools/dialogs/videodialog.h"
#include "tools/videooptions.h"

#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace orugif;

namespace {

// Runs the dialog over 0..29 of a 160 x 120 video, lets `act` set it up
// and returns the result.
DocumentPrompts::VideoChoice run(TOptAvi& dialog, const std::function<void()>& act)
{
    QTimer::singleShot(0, &dialog, act);
    dialog.exec();
    return dialog.Result();
}

} // namespace

TEST(VideoOptions, heightFollowsTheProportions)
{
    EXPECT_EQ(tools::videoHeightFor(160, {160, 120}), 120);
    EXPECT_EQ(tools::videoHeightFor(80, {160, 120}), 60);
    EXPECT_EQ(tools::videoHeightFor(1, {160, 120}), 1);
    EXPECT_EQ(tools::videoHeightFor(64, {640, 480}), 48);
    EXPECT_EQ(tools::videoHeightFor(50, {300, 100}), 17);  // rounded
}

TEST(VideoOptions, choicesGiveTheRangeAndWidth)
{
    // "Toutes les images" ignores the fields.
    auto choice = tools::videoChoice(true, 0, 29, 5, 8, 80, {160, 120});
    EXPECT_EQ(choice.first, 0);
    EXPECT_EQ(choice.last, 29);
    EXPECT_EQ(choice.width, 80);
    choice = tools::videoChoice(false, 0, 29, 5, 8, 500, {160, 120});
    EXPECT_EQ(choice.first, 5);
    EXPECT_EQ(choice.last, 8);
    EXPECT_EQ(choice.width, 160);
    // A last below the first stays so: nothing is imported.
    choice = tools::videoChoice(false, 0, 29, 9, 3, 160, {160, 120});
    EXPECT_EQ(choice.first, 9);
    EXPECT_LT(choice.last, choice.first);
    // Fields beyond the stream are brought back within it.
    choice = tools::videoChoice(false, 0, 29, -4, 90, 0, {160, 120});
    EXPECT_EQ(choice.first, 0);
    EXPECT_EQ(choice.last, 29);
    EXPECT_EQ(choice.width, 1);
}

TEST(VideoOptions, dialogConfirmsOnlyWithOk)
{
    TOptAvi dialog;
    dialog.Init(0, 29, {160, 120});
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("Options d'importation AVI"));
    auto* all = dialog.findChild<QRadioButton*>("RadioButton1");
    auto* range = dialog.findChild<QRadioButton*>("RadioButton2");
    auto* from = dialog.findChild<QSpinBox*>("SpinEdit1");
    auto* to = dialog.findChild<QSpinBox*>("SpinEdit2");
    auto* width = dialog.findChild<QSpinBox*>("SpinEdit3");
    auto* height = dialog.findChild<QLabel*>("Label3");
    ASSERT_TRUE(all && range && from && to && width && height);
    EXPECT_TRUE(all->isChecked());
    EXPECT_EQ(all->text(), "Toutes les images");
    EXPECT_EQ(range->text(), "Images de");
    EXPECT_EQ(dialog.findChild<QLabel*>("Label1")->text(), QString::fromUtf8("à"));
    EXPECT_EQ(from->value(), 0);
    EXPECT_EQ(to->value(), 29);
    EXPECT_EQ(to->maximum(), 29);
    EXPECT_EQ(width->value(), 160);
    EXPECT_EQ(width->maximum(), 160);
    EXPECT_TRUE(height->text().contains("120"));
    EXPECT_FALSE(from->isEnabled());

    // Annuler: cancelled whatever the fields hold.
    auto choice = run(dialog, [&] {
        range->setChecked(true);
        from->setValue(3);
        dialog.findChild<QPushButton*>("Button1")->click();
    });
    EXPECT_EQ(choice.first, -1);

    // OK with "Images de": the fields' range and the width; the height follows.
    choice = run(dialog, [&] {
        range->setChecked(true);
        EXPECT_TRUE(from->isEnabled());
        from->setValue(4);
        to->setValue(10);
        width->setValue(80);
        EXPECT_TRUE(height->text().contains("60"));
        dialog.findChild<QPushButton*>("Button2")->click();
    });
    EXPECT_EQ(choice.first, 4);
    EXPECT_EQ(choice.last, 10);
    EXPECT_EQ(choice.width, 80);

    // OK with "Toutes les images": the full range whatever the fields hold.
    choice = run(dialog, [&] {
        all->setChecked(true);
        dialog.findChild<QPushButton*>("Button2")->click();
    });
    EXPECT_EQ(choice.first, 0);
    EXPECT_EQ(choice.last, 29);

    // Escape cancels.
    choice = run(dialog, [&] { dialog.reject(); });
    EXPECT_EQ(choice.first, -1);
}

TEST(VideoOptions, theClipIsDescribedAndARateIsChosenWithTheKeyboard)
{
    formats::VideoInfo info;
    info.size = QSize(640, 360);
    info.frames = 300;
    info.rate = 30000.0 / 1001.0;
    info.duration = 10.01;
    info.codec = "h264";
    EXPECT_EQ(tools::videoSummary(info),
              QString::fromUtf8("Durée : 10,01 s · 640 x 360 · 29,97 images par seconde · h264 · 300 images"));
    EXPECT_EQ(tools::rateText(12.5), "12,5");
    EXPECT_EQ(tools::rateText(30), "30");

    TOptAvi dialog;
    dialog.Init(info);
    EXPECT_EQ(dialog.findChild<QLabel*>("Label4")->text(), tools::videoSummary(info));
    auto* rate = dialog.findChild<QComboBox*>("ComboBox1");
    ASSERT_TRUE(rate);
    EXPECT_EQ(rate->currentText(), QString::fromUtf8("Celle de la vidéo (29,97)"));
    EXPECT_EQ(rate->count(), 8);
    // The source's rate by default; "10" chosen by keys in the list.
    auto choice = run(dialog, [&] { dialog.findChild<QPushButton*>("Button2")->click(); });
    EXPECT_EQ(choice.fps, 0.0);
    choice = run(dialog, [&] {
        rate->setFocus();
        for (int i = 0; i < 6; ++i)
            QTest::keyClick(rate, Qt::Key_Down);
        EXPECT_EQ(rate->currentText(), "10");
        QTest::mouseClick(dialog.findChild<QPushButton*>("Button2"), Qt::LeftButton);
    });
    EXPECT_EQ(choice.first, 0);
    EXPECT_EQ(choice.last, 299);
    EXPECT_EQ(choice.fps, 10.0);
}

// The export options: the quality shown for each format, WebP's "Sans
// perte", the size asked for on demand, and only "OK" confirming.
#include "tools/dialogs/animationdialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace orugif;
using formats::AnimationFormat;

TEST(AnimationOptionsDialog, qualityLosslessAndTheEstimate)
{
    formats::AnimationOptions options;
    options.format = AnimationFormat::WebP;
    int estimates = 0;
    TOptAnimation dialog(options, [&](const formats::AnimationOptions& chosen) -> std::int64_t {
        ++estimates;
        return chosen.lossless ? 1234567 : 4321;
    });
    auto* quality = dialog.findChild<QSpinBox*>("SpinEdit1");
    auto* lossless = dialog.findChild<QCheckBox*>("CheckBox1");
    auto* size = dialog.findChild<QLabel*>("Label3");
    ASSERT_TRUE(quality && lossless && size);
    EXPECT_EQ(quality->value(), 75);
    EXPECT_EQ(quality->maximum(), 100);
    QTimer::singleShot(0, &dialog, [&] {
        // Typed quality, then "Sans perte" by a click: the quality no longer applies.
        quality->setFocus();
        quality->selectAll();
        QTest::keyClicks(quality, "40");
        QTest::mouseClick(dialog.findChild<QPushButton*>("Button3"), Qt::LeftButton);
        EXPECT_EQ(size->text(), QStringLiteral("Taille : 4 321 octets"));
        QTest::mouseClick(lossless, Qt::LeftButton, {}, QPoint(2, lossless->height() / 2));
        EXPECT_FALSE(quality->isEnabled());
        QTest::mouseClick(dialog.findChild<QPushButton*>("Button3"), Qt::LeftButton);
        EXPECT_EQ(size->text(), QStringLiteral("Taille : 1 234 567 octets"));
        QTest::mouseClick(dialog.findChild<QPushButton*>("Button2"), Qt::LeftButton);
    });
    dialog.exec();
    EXPECT_TRUE(dialog.accepted());
    EXPECT_EQ(estimates, 2);
    EXPECT_EQ(dialog.Result().quality, 40);
    EXPECT_TRUE(dialog.Result().lossless);

    // MP4 asks a rate factor and has no "Sans perte"; "Annuler" confirms nothing.
    options.format = AnimationFormat::Mp4;
    TOptAnimation mp4(options, {});
    EXPECT_EQ(mp4.findChild<QSpinBox*>("SpinEdit1")->value(), 23);
    EXPECT_EQ(mp4.findChild<QSpinBox*>("SpinEdit1")->maximum(), 51);
    EXPECT_TRUE(mp4.findChild<QCheckBox*>("CheckBox1")->isHidden());
    QTimer::singleShot(0, &mp4, [&] { QTest::mouseClick(mp4.findChild<QPushButton*>("Button1"), Qt::LeftButton); });
    mp4.exec();
    EXPECT_FALSE(mp4.accepted());
}

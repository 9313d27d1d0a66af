// The properties and optimisation dialogs: only OK writes their values back.
#include "tools/dialogs/propertiesdialog.h"
#include "tools/properties.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QSpinBox>
#include <QMessageBox>
#include <QTest>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace orugif;

TEST(Properties, versionLineAndNumberFields)
{
    EXPECT_EQ(tools::versionText(0), "Gif Version Inconnue");
    EXPECT_EQ(tools::versionText(1), "Gif Version 87a - 1987");
    EXPECT_EQ(tools::versionText(2), "Gif Version 89a - 1989");
    EXPECT_EQ(tools::versionText(7), "Version");
    EXPECT_EQ(tools::fieldNumber("12"), 12);
    EXPECT_EQ(tools::fieldNumber("abc"), 0);
    EXPECT_EQ(tools::fieldNumber(""), 0);
}

TEST(Properties, onlyOkWritesTheValuesBack)
{
    TParametres dialog;
    dialog.Init(3, 30, 2, false);
    EXPECT_EQ(dialog.findChild<QLabel*>("Label3")->text(), "Gif Version 89a - 1989");
    QTimer::singleShot(0, &dialog, [&] {
        dialog.findChild<QLineEdit*>("SpinEdit1")->setText("7");
        dialog.findChild<QPushButton*>("Button1")->click();  // Annuler
    });
    dialog.exec();
    int repeat = 3, delay = 30;
    bool transparent = false;
    dialog.Result(repeat, delay, transparent);
    EXPECT_EQ(repeat, 3);
    EXPECT_FALSE(dialog.Accepted());
    QTimer::singleShot(0, &dialog, [&] {
        dialog.findChild<QLineEdit*>("SpinEdit1")->setText("7");
        dialog.findChild<QCheckBox*>("CheckBox1")->setChecked(true);
        dialog.findChild<QPushButton*>("Button2")->click();  // OK
    });
    dialog.exec();
    dialog.Result(repeat, delay, transparent);
    EXPECT_TRUE(dialog.Accepted());
    EXPECT_EQ(repeat, 7);
    EXPECT_EQ(delay, 30);
    EXPECT_TRUE(transparent);
}

TEST(Properties, optimisationOptionsFollowTheBoxesWhenConfirmed)
{
    TOptimum dialog;
    dialog.Init(false, false, true);
    EXPECT_TRUE(dialog.findChild<QCheckBox*>("CheckBox3")->isChecked());
    QTimer::singleShot(0, &dialog, [&] {
        dialog.findChild<QCheckBox*>("CheckBox1")->setChecked(true);
        dialog.findChild<QPushButton*>("Button2")->click();
    });
    dialog.exec();
    bool local = false, merge = false, crop = true;
    dialog.Result(local, merge, crop);
    EXPECT_TRUE(local && !merge && crop);
}

TEST(Properties, okRefusesACountOrDelayTheFileCannotHoldAndKeepsTheDialogOpen)
{
    EXPECT_TRUE(tools::fieldRangeError("Durée", "65535").isEmpty());
    EXPECT_TRUE(tools::fieldRangeError("Durée", "abc").isEmpty());  // reads as 0
    EXPECT_FALSE(tools::fieldRangeError("Durée", "99999999999").isEmpty());
    EXPECT_TRUE(tools::fieldRangeError("Répétitions", "-1", -1).isEmpty());  // no loop extension
    EXPECT_FALSE(tools::fieldRangeError("Répétitions", "-2", -1).isEmpty());

    TParametres dialog;
    dialog.Init(0, 30, 2, false);
    QStringList warnings;
    bool stillOpen = false;
    QTimer::singleShot(0, &dialog, [&] {
        auto* delay = dialog.findChild<QLineEdit*>("SpinEdit2");
        delay->selectAll();
        QTest::keyClicks(delay, "-5");
        // The warning box is modal over the dialog: note it and close it.
        QTimer::singleShot(0, &dialog, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                warnings << box->text();
                box->close();
            }
            QTimer::singleShot(0, &dialog, [&] {
                stillOpen = dialog.isVisible();
                auto* delay = dialog.findChild<QLineEdit*>("SpinEdit2");
                delay->selectAll();
                QTest::keyClicks(delay, "65535");
                QTest::mouseClick(dialog.findChild<QPushButton*>("Button2"), Qt::LeftButton);
            });
        });
        QTest::mouseClick(dialog.findChild<QPushButton*>("Button2"), Qt::LeftButton);
    });
    dialog.exec();
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains("entre 0 et 65535")) << warnings[0].toStdString();
    EXPECT_TRUE(stillOpen);
    int repeat = 0, delay = 30;
    bool transparent = false;
    dialog.Result(repeat, delay, transparent);
    EXPECT_EQ(delay, 65535);
}

TEST(Properties, optimisationChoosesTheReductionAndShowsTheEstimatedSize)
{
    std::vector<QImage> frames;
    for (int i = 0; i < 3; ++i) {
        QImage frame(30, 20, QImage::Format_RGB32);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 30; ++x)
                frame.setPixel(x, y, qRgb(x * 8, y * 12, 40 * i));
        frames.push_back(frame);
    }
    TOptimum dialog;
    dialog.Init(false, false, false);
    dialog.InitReduction(6, 8, 0);
    auto* reduction = dialog.findChild<QComboBox*>("ComboBox1");
    auto* bits = dialog.findChild<QSpinBox*>("SpinEdit1");
    auto* dither = dialog.findChild<QComboBox*>("ComboBox2");
    auto* size = dialog.findChild<QLabel*>("Label1");
    ASSERT_TRUE(reduction && bits && dither && size);
    EXPECT_EQ(reduction->currentText(), "Palette web (216 couleurs)");
    EXPECT_EQ(dither->currentText(), "Aucun");
    EXPECT_FALSE(bits->isEnabled());  // the web palette has its own 216 colours
    dialog.EstimateFor(frames, AnimationSettings{});

    const auto estimateFor = [&](int method, int b, int d, int lossy = 0) {
        AnimationSettings s;
        s.ColorReduction = method;
        s.ReductionBits = b;
        s.DitherMode = d;
        s.LossyTolerance = lossy;
        return QStringLiteral("Taille estimée : %1 octets").arg(tools::groupedDigits(tools::estimatedSize(frames, s)));
    };
    const auto waitFor = [&](const QString& text) {
        QElapsedTimer timer;
        timer.start();
        while (size->text() != text && timer.elapsed() < 20000)
            QTest::qWait(20);
        return size->text();
    };
    EXPECT_EQ(waitFor(estimateFor(6, 8, 0)), estimateFor(6, 8, 0));
    // Each change asks again; the last answer shown is for the options shown.
    reduction->setCurrentIndex(reduction->findText("Palette optimisée"));
    EXPECT_TRUE(bits->isEnabled());
    bits->setValue(3);
    dither->setCurrentIndex(dither->findText("Burkes"));
    EXPECT_EQ(waitFor(estimateFor(7, 3, 6)), estimateFor(7, 3, 6));
    // "Compression avec pertes", typed into its field, counts in the estimate.
    auto* lossy = dialog.findChild<QSpinBox*>("SpinEdit2");
    ASSERT_TRUE(lossy);
    EXPECT_EQ(lossy->value(), 0);
    lossy->selectAll();
    QTest::keyClicks(lossy, "120");
    EXPECT_EQ(lossy->value(), 120);
    EXPECT_EQ(waitFor(estimateFor(7, 3, 6, 120)), estimateFor(7, 3, 6, 120));

    QTimer::singleShot(0, &dialog, [&] { dialog.findChild<QPushButton*>("Button2")->click(); });
    dialog.exec();
    int method = 0, b = 0, d = 0;
    dialog.ResultReduction(method, b, d);
    EXPECT_EQ(method, 7);
    EXPECT_EQ(b, 3);
    EXPECT_EQ(d, 6);
    int tolerance = 0;
    dialog.ResultLossy(tolerance);
    EXPECT_EQ(tolerance, 120);
    // Back to a fixed palette: the bits return to 8.
    reduction->setCurrentIndex(reduction->findText("Noir et blanc"));
    EXPECT_FALSE(bits->isEnabled());
    EXPECT_EQ(bits->value(), 8);
}

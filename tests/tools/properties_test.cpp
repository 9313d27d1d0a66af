// The properties and optimisation dialogs: only OK writes their values back.
#include "tools/dialogs/propertiesdialog.h"
#include "tools/properties.h"

#include <QCheckBox>
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
    QTimer::singleShot(0, &dialog, [&] {
        dialog.findChild<QLineEdit*>("SpinEdit1")->setText("7");
        dialog.findChild<QCheckBox*>("CheckBox1")->setChecked(true);
        dialog.findChild<QPushButton*>("Button2")->click();  // OK
    });
    dialog.exec();
    dialog.Result(repeat, delay, transparent);
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

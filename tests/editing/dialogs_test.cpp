// The transform dialogs offscreen: only OK (or Enter in TRedim) confirms.
#include "editing/dialogs/transformdialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace orugif;

TEST(TransformDialogs, rotationGivesItsChoiceOnlyWhenConfirmed)
{
    TRot dialog;
    QTimer::singleShot(0, &dialog, [&] { dialog.reject(); });
    dialog.exec();
    EXPECT_EQ(dialog.Result(), 0);
    QTimer::singleShot(0, &dialog, [&] {
        dialog.findChild<QRadioButton*>("DemiTour")->setChecked(true);
        dialog.findChild<QPushButton*>("OK")->click();
    });
    dialog.exec();
    EXPECT_EQ(dialog.Result(), 3);
    EXPECT_EQ(dialog.windowTitle(), "Rotation");
}

// Ctrl+A selects the field's text and Ctrl+V pastes into it, as in any
// field; a paste of anything but digits leaves the field as it was.
TEST(TransformDialogs, resizeFieldsTakeCtrlAAndCtrlV)
{
    TRedim dialog;
    dialog.Init(200, 100);
    dialog.findChild<QCheckBox*>("CheckBox1")->setChecked(false);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto* height = dialog.findChild<QLineEdit*>("Edit2");
    QTest::mouseClick(height, Qt::LeftButton);
    ASSERT_EQ(QApplication::focusWidget(), height);
    QTest::keyClick(height, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(height->selectedText(), "100");
    QGuiApplication::clipboard()->setText("64");
    QTest::keyClick(height, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(height->text(), "64");
    QGuiApplication::clipboard()->setText("12 px");
    QTest::keyClick(height, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(height, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(height->text(), "64");
    QTest::keyClick(height, Qt::Key_Return);
    EXPECT_EQ(dialog.Result(), QSize(200, 64));
}

TEST(TransformDialogs, moveFieldsAreLimitedToTheFrame)
{
    TDecaler dialog;
    dialog.Init(30, 20);
    auto* x = dialog.findChild<QSpinBox*>("SpinEdit1");
    auto* y = dialog.findChild<QSpinBox*>("SpinEdit2");
    EXPECT_EQ(x->minimum(), -30);
    EXPECT_EQ(y->maximum(), 20);
    x->setValue(99);
    y->setValue(-5);
    EXPECT_EQ(dialog.Result(), QPoint(0, 0));
    dialog.findChild<QPushButton*>("OK")->click();
    EXPECT_EQ(dialog.Result(), QPoint(30, -5));
}

TEST(TransformDialogs, resizeFieldsTakeDigitsAndEnterConfirms)
{
    TRedim dialog;
    dialog.Init(200, 100);
    dialog.show();
    auto* width = dialog.findChild<QLineEdit*>("Edit1");
    auto* height = dialog.findChild<QLineEdit*>("Edit2");
    EXPECT_TRUE(dialog.findChild<QCheckBox*>("CheckBox1")->isChecked());
    width->setFocus();
    width->selectAll();
    QTest::keyClicks(width, "3x0-0");
    EXPECT_EQ(width->text(), "300");
    QTest::keyClick(width, Qt::Key_Return);
    EXPECT_EQ(height->text(), "150");
    EXPECT_EQ(dialog.Result(), QSize(300, 150));
    EXPECT_EQ(dialog.windowTitle(), "Redimensiooner");
}

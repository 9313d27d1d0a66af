// The wizards' dialogs: the list of pictures relative to the starting
// folder, the size fields, the captions and defaults, and what "Terminer"
// hands back.
#include "tools/dialogs/wizards.h"
#include "tools/picturelist.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace orugif;

TEST(PictureList, namesShowRelativeToTheStartFolderAndStayFullUnderneath)
{
    tools::PictureList list("/home/ana/anims");
    list.add({"/home/ana/anims/f10.png", "/home/ana/anims/f9.png", "/home/ana/photos/p.jpg"});
    EXPECT_EQ(list.shown(), (QStringList{"f9.png", "f10.png", "../photos/p.jpg"}));
    EXPECT_EQ(list.files().front(), "/home/ana/anims/f9.png");
    list.remove(0);
    list.remove(7);
    EXPECT_EQ(list.files(), (QStringList{"/home/ana/anims/f10.png", "/home/ana/photos/p.jpg"}));
}

TEST(Wizards, theAnimationWizardGivesItsChoicesOnlyOnTerminer)
{
    const QString here = QDir::currentPath();
    TAssistant wizard([&] { return QStringList{here + "/b.png", here + "/a.png"}; });
    QTimer::singleShot(0, &wizard, [&] {
        EXPECT_EQ(wizard.findChild<QTabWidget*>()->tabText(0), QString::fromUtf8("Caractéristiques"));
        auto* width = wizard.findChild<QLineEdit*>("SpinEdit1");
        EXPECT_FALSE(width->isEnabled());
        EXPECT_EQ(wizard.findChild<QLineEdit*>("SpinEdit4")->text(), "10");
        QRadioButton* given = wizard.findChildren<QRadioButton*>()[1];  // "Taille prédéfinie"
        QTest::mouseClick(given, Qt::LeftButton, {}, QPoint(6, given->height() / 2));
        EXPECT_TRUE(width->isEnabled());
        width->setText("64");
        QTest::mouseClick(wizard.findChild<QPushButton*>("SpeedButton1"), Qt::LeftButton);  // "Ajouter"
        EXPECT_EQ(wizard.findChild<QListWidget*>("ListBox1")->count(), 2);
        QTest::mouseClick(wizard.findChild<QPushButton*>("SpeedButton4"), Qt::LeftButton);  // "Terminer"
    });
    wizard.exec();
    const AnimationWizardResult result = wizard.Result();
    EXPECT_EQ(result.sizeMode, 1);
    EXPECT_EQ(result.width, 64);
    EXPECT_EQ(result.files, (QStringList{here + "/a.png", here + "/b.png"}));

    TAssistant closed;
    QTimer::singleShot(0, &closed, [&] { closed.close(); });
    closed.exec();
    EXPECT_TRUE(closed.Result().files.isEmpty());
}

TEST(Wizards, theBannerWizardKeepsItsEffectToTheFourAndHandsBackTheText)
{
    TBanniere wizard([](const editing::TextFont& f) {
        editing::TextFont chosen = f;
        chosen.pointSize = 24;
        return chosen;
    });
    QTimer::singleShot(0, &wizard, [&] {
        auto* effect = wizard.findChild<QComboBox*>("ComboBox1");
        EXPECT_FALSE(effect->isEditable());
        EXPECT_EQ(effect->currentText(), QString::fromUtf8("Défilement"));
        EXPECT_EQ(wizard.findChild<QLineEdit*>("SpinEdit5")->text(), "10");
        EXPECT_EQ(wizard.findChild<QLineEdit*>("SpinEdit1")->text(), "468");
        effect->setCurrentIndex(2);
        QTest::keyClicks(wizard.findChild<QPlainTextEdit*>("Memo1"), "Soldes");
        QTest::mouseClick(wizard.findChild<QPushButton*>("SpeedButton1"), Qt::LeftButton);  // "Police"
        QTest::mouseClick(wizard.findChild<QPushButton*>("SpeedButton4"), Qt::LeftButton);
    });
    wizard.exec();
    const BannerWizardResult result = wizard.Result();
    EXPECT_EQ(result.text, "Soldes");
    EXPECT_EQ(result.effect, "Clignotement");
    EXPECT_EQ(result.font.pointSize, 24);
    EXPECT_EQ(result.size(), QSize(468, 60));
}

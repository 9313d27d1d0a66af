// The built-in help: every menu command is described, keyword search works,
// and the About box names the program and its version.
#include "app/aboutbox.h"
#include "app/helpindex.h"
#include "app/helpwindow.h"
#include "app/menus.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace orugif;

TEST(Help, thePagesDescribeEveryMenuCommand)
{
    HelpIndex index;
    ASSERT_GE(index.contents().size(), 8u);
    EXPECT_EQ(index.contents().front().file, "sommaire.html");
    QString all;
    for (const HelpIndex::Page& page : index.contents()) {
        QFile f(":/help/" + page.file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        all += HelpIndex::fold(QString::fromUtf8(f.readAll()));
    }
    static const QRegularExpression mnemonicAndKey(QStringLiteral("&|\\s+Pg(Up|Dn)$|\\.\\.\\.$"));
    for (const app::MenuEntry& e : app::menuEntries()) {
        if (e.level == 0)
            continue;
        const QString caption = QString::fromUtf8(e.caption).remove(mnemonicAndKey).trimmed();
        const QString word = HelpIndex::fold(caption.section(' ', 0, 0));
        EXPECT_TRUE(all.contains(word)) << e.name << ": " << word.toStdString();
    }
}

TEST(Help, keywordSearchIgnoresCaseAndAccents)
{
    HelpIndex index;
    const auto found = index.search(QStringLiteral("REECH"));
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found.front().file, "cadre.html");
    EXPECT_TRUE(index.search(QStringLiteral("zzz")).empty());
    EXPECT_EQ(index.search(QString()).size(), index.keywords().size());
}

TEST(Help, theWindowOpensOnContentsSearchAndHowToUse)
{
    HelpWindow window;
    window.showContents();
    EXPECT_EQ(window.currentPage(), "sommaire.html");
    window.showHowToUse();
    EXPECT_EQ(window.currentPage(), "utiliser-aide.html");
    window.showSearch();
    auto* edit = window.findChild<QLineEdit*>("HelpSearch");
    auto* list = window.findChild<QListWidget*>("HelpKeywords");
    edit->setText(QStringLiteral("pip"));
    ASSERT_GE(list->count(), 1);
    EXPECT_TRUE(list->item(0)->text().startsWith("pipette"));
    emit edit->returnPressed();
    EXPECT_EQ(window.currentPage(), "outils.html");
}

TEST(Help, theAboutBoxNamesTheProgramAndItsVersion)
{
    TAboutBox box;
    EXPECT_EQ(box.windowTitle(), "A propos");
    EXPECT_EQ(box.findChild<QLabel*>("ProductName")->text(), "Oru Gif");
    EXPECT_EQ(box.findChild<QLabel*>("Version")->text(), "Version 3.0");
    EXPECT_FALSE(box.findChild<QLabel*>("Comments")->text().isEmpty());
}

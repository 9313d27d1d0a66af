// The frame list, the thumbnail view and the HTML tag: their rules without a
// window, then each window through clicks and keys.
#include "common/filename.h"
#include "document/clipboard.h"
#include "tools/dialogs/frameviews.h"
#include "tools/dialogs/htmldialog.h"
#include "tools/htmltag.h"
#include "tools/thumbnails.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace orugif;
using tools::ThumbnailPages;

TEST(Thumbnails, pagesMoveByTwelveAndTheLastShowsTheLastTwelve)
{
    ThumbnailPages twenty(20);
    twenty.next();
    EXPECT_EQ(twenty.first(), 8);  // frames 9 to 20
    twenty.next();
    EXPECT_EQ(twenty.first(), 8);
    twenty.previous();
    EXPECT_EQ(twenty.first(), 0);
    twenty.lastPage();
    EXPECT_EQ(twenty.first(), 8);
    EXPECT_TRUE(twenty.select(2));
    EXPECT_EQ(twenty.selected(), 10);  // slot 3 shows frame 11

    ThumbnailPages five(5);
    for (auto step : {&ThumbnailPages::next, &ThumbnailPages::lastPage, &ThumbnailPages::previous}) {
        (five.*step)();
        EXPECT_EQ(five.first(), 0);
    }
    EXPECT_EQ(five.frameInSlot(4), 4);
    EXPECT_EQ(five.frameInSlot(5), -1);
    EXPECT_FALSE(five.select(7));  // an empty slot chooses nothing
    EXPECT_EQ(five.selected(), -1);
}

TEST(Thumbnails, framesFitTheirSlotAsTheScaleRuleSays)
{
    const auto fit = [](int w, int h) { return tools::Echelle(QSize(w, h)); };
    EXPECT_EQ(fit(400, 300).control, QRect(1, 8, 158, 98));
    EXPECT_TRUE(fit(400, 300).stretched);
    EXPECT_EQ(fit(300, 400).control, QRect(20, 1, 120, 114));
    EXPECT_EQ(fit(200, 100).control, QRect(1, 1, 158, 114));
    EXPECT_FALSE(fit(200, 100).stretched);  // shown at its size, cut
    EXPECT_FALSE(fit(1, 1).stretched);
    EXPECT_FALSE(fit(16384, 1).stretched);
}

TEST(Thumbnails, aDoubleClickChoosesTheFrameAndPageKeysMove)
{
    std::vector<QImage> frames;
    for (int i = 0; i < 20; ++i) {
        frames.emplace_back(400, 300, QImage::Format_RGB32);
        frames.back().fill(qRgb(i * 10, 0, 0));
    }
    TVignettes view(frames);
    view.show();
    QApplication::setActiveWindow(&view);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &view, Qt::Key_PageDown);
    EXPECT_EQ(view.findChild<QLabel*>("Label3")->text(), "Cadre 11");
    auto* image = view.findChild<QLabel*>("Image3");
    EXPECT_EQ(image->geometry(), QRect(1, 8, 158, 98));
    EXPECT_EQ(image->pixmap().size(), QSize(158, 98));
    QTest::mouseDClick(image, Qt::LeftButton);
    EXPECT_EQ(view.Result(), 10);
    EXPECT_FALSE(view.isVisible());
}

TEST(FrameListWindow, monterTwiceThenOkPutsTheThirdFrameFirst)
{
    TListe list(5);
    std::vector<int> cancelled{9};
    QTimer::singleShot(0, &list, [&] {
        auto* box = list.findChild<QListWidget*>("ListBox1");
        QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, box->visualItemRect(box->item(2)).center());
        auto* up = list.findChild<QToolButton*>("SpeedButton3");
        QTest::mouseClick(up, Qt::LeftButton);
        QTest::mouseClick(up, Qt::LeftButton);
        QTest::mouseClick(up, Qt::LeftButton);  // already at the top
        QTest::mouseClick(list.findChild<QPushButton*>("Button2"), Qt::LeftButton);
    });
    list.exec();
    EXPECT_EQ(list.Result(), (std::vector<int>{2, 0, 1, 3, 4}));

    TListe emptied(2);
    QTimer::singleShot(0, &emptied, [&] {
        auto* box = emptied.findChild<QListWidget*>("ListBox1");
        box->setCurrentRow(0);
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClick(box, Qt::Key_Delete);
        EXPECT_EQ(box->count(), 0);
        QTest::mouseClick(emptied.findChild<QPushButton*>("Button2"), Qt::LeftButton);
    });
    emptied.exec();
    EXPECT_TRUE(emptied.Result().empty());

    TListe escaped(3);
    QTimer::singleShot(0, &escaped, [&] { QTest::keyClick(&escaped, Qt::Key_Escape); });
    escaped.exec();
    EXPECT_TRUE(escaped.Result().empty());
}

TEST(HtmlTag, everyPartAndItsEscaping)
{
    const QString size = tools::sizeText(120, 60);
    EXPECT_EQ(size, "width=\"120\" height=\"60\"");
    EXPECT_EQ(tools::htmlTag("a.gif", size, "", "", "0"), "<img src=\"a.gif\" width=\"120\" height=\"60\" border=\"0\">");
    EXPECT_EQ(tools::htmlTag("", size, "", "", "x"), "<img src=\"\" width=\"120\" height=\"60\" border=\"0\">");
    EXPECT_EQ(tools::htmlTag("a.gif", size, "http://x.fr/", "Chat", "-2"),
              "<a href=\"http://x.fr/\"><img src=\"a.gif\" width=\"120\" height=\"60\" border=\"-2\" alt=\"Chat\"></a>");
    EXPECT_EQ(tools::htmlTag(QString::fromUtf8("mon \"chat\" & <moi>.gif"), size, "x\" onclick=\"evil()",
                             "<b>&</b>", "1"),
              "<a href=\"x&quot; onclick=&quot;evil()\"><img src=\"mon%20%22chat%22%20%26%20%3Cmoi%3E.gif\" "
              "width=\"120\" height=\"60\" border=\"1\" alt=\"&lt;b&gt;&amp;&lt;/b&gt;\"></a>");
}

TEST(HtmlTag, aFileNameIsARelativeAddressNeverAScheme)
{
    const QString size = tools::sizeText(1, 1);
    const auto src = [&](const QString& name) {
        const QString tag = tools::htmlTag(name, size, "", "", "0");
        return tag.mid(10, tag.indexOf('"', 10) - 10);
    };
    EXPECT_EQ(src("javascript:alert(1).gif"), "javascript%3Aalert(1).gif");
    EXPECT_EQ(src("JavaScript:a:b.gif"), "JavaScript%3Aa%3Ab.gif");
    EXPECT_EQ(src("images/a:b.gif"), "images/a:b.gif");  // after a slash a colon is plain
    EXPECT_EQ(src(orugif::fileNameFromBytes("vacances-\xe9.gif")), "vacances-%E9.gif");
    EXPECT_EQ(src(QString::fromUtf8("été.gif")), "%C3%A9t%C3%A9.gif");
}

struct LinkCase {
    const char* link;
    bool script;
};

void PrintTo(const LinkCase& c, std::ostream* out) { *out << c.link; }

class HtmlLink : public ::testing::TestWithParam<LinkCase> {};

TEST_P(HtmlLink, aScriptIsWrittenInertAndAnAddressAsItIs)
{
    const QString link = QString::fromUtf8(GetParam().link);
    EXPECT_EQ(tools::isScriptLink(link), GetParam().script);
    const QString tag = tools::htmlTag("a.gif", tools::sizeText(1, 1), link, "", "0");
    const QString href = (GetParam().script ? "./" + link : link).toHtmlEscaped();
    EXPECT_TRUE(tag.startsWith("<a href=\"" + href + "\">")) << tag.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Links, HtmlLink,
                         ::testing::Values(LinkCase{"javascript:alert(1)", true}, LinkCase{"JaVaScRiPt:x", true},
                                           LinkCase{"  \x01\x1f javascript:x", true}, LinkCase{"java\tscr\nipt:x", true},
                                           LinkCase{"vbscript:msgbox", true}, LinkCase{"data:text/html,<b>", true},
                                           LinkCase{"https://x.fr/javascript:", false}, LinkCase{"page.html", false},
                                           LinkCase{"javascript", false}, LinkCase{"mailto:a@b.fr", false}),
                         [](const auto& info) { return "link" + std::to_string(info.index); });

TEST(HtmlTag, theDialogFollowsEveryKeyAndEscapeCopies)
{
    struct Copied : ClipboardPort {
        QString text;
        bool hasImage() const override { return false; }
        QImage image() const override { return {}; }
        void setImage(const QImage&) override {}
        void setText(const QString& t) override { text = t; }
    } clipboard;
    THtml dialog(clipboard);
    dialog.Init("a.gif", tools::sizeText(10, 20));
    dialog.show();
    auto* memo = dialog.findChild<QPlainTextEdit*>("Memo1");
    QTest::keyClicks(dialog.findChild<QLineEdit*>("Edit3"), "Go");
    EXPECT_TRUE(memo->toPlainText().endsWith("alt=\"Go\">"));
    QTest::keyClicks(dialog.findChild<QLineEdit*>("Edit2"), "u");
    EXPECT_TRUE(memo->toPlainText().startsWith("<a href=\"u\">"));
    QTest::keyClick(dialog.findChild<QLineEdit*>("Edit2"), Qt::Key_Backspace);
    EXPECT_TRUE(memo->toPlainText().startsWith("<img"));
    QTest::keyClick(dialog.findChild<QLineEdit*>("Edit2"), Qt::Key_Escape);
    EXPECT_EQ(clipboard.text, memo->toPlainText());
    EXPECT_TRUE(dialog.isVisible());  // Escape copies, it does not close
}

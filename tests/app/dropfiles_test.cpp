// Files dropped on the main window and the recent-files list, through real
// drop events offscreen.
#include "app/dropplan.h"
#include "app/mainform.h"
#include "app/recentfiles.h"
#include "app/translation.h"
#include "document/child.h"
#include "document/prompts.h"
#include "support/testsupport.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orugif;

namespace {

struct Prompts : DocumentPrompts {
    QStringList questions;
    Answer answer = Answer::No;
    Answer ask(const QString& q, Choices) override
    {
        questions << q;
        return answer;
    }
    void inform(const QString&) override {}
};

struct Window {
    std::shared_ptr<Prompts> prompts = std::make_shared<Prompts>();
    QStringList errors;
    std::unique_ptr<TMainForm> form;
    Window()
    {
        QSettings().remove("recent");
        MainPorts ports;
        ports.prompts = prompts;
        ports.showError = [this](const QString& m) { errors << m; };
        form = std::make_unique<TMainForm>(ports);
        form->show();
    }
    void drop(const QList<QUrl>& urls)
    {
        // As the window system delivers a drop: the drag enters, then drops.
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.get(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent event(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.get(), &event);
    }
    TChild& child() { return form->child(); }
};

QString picture(const QTemporaryDir& dir, const QString& name, unsigned rgb, QSize size = QSize(6, 4))
{
    const QString path = dir.filePath(name);
    testsupport::solid(size.width(), size.height(), rgb).save(path);
    return path;
}

} // namespace

TEST(Drops, oneGifOpensAfterTheQuestionOnePictureImportsSeveralAppendInNameOrder)
{
    QTemporaryDir dir;
    Window w;
    w.drop({QUrl::fromLocalFile(picture(dir, "one.png", 0xff0000))});
    EXPECT_EQ(w.child().picture().pixel(0, 0), qRgb(255, 0, 0));  // imported into the frame
    EXPECT_TRUE(w.child().Modified);

    // frame-10 comes after frame-9: names sort as people read them
    w.drop({QUrl::fromLocalFile(picture(dir, "frame-10.png", 0x0000ff)),
            QUrl::fromLocalFile(picture(dir, "frame-9.png", 0x00ff00)),
            QUrl::fromLocalFile(picture(dir, "frame-1.bmp", 0xffff00))});
    ASSERT_EQ(w.child().ImageList1.count(), 4);
    EXPECT_EQ(w.child().ImageList1.frame(1).pixel(0, 0), qRgb(255, 255, 0));
    EXPECT_EQ(w.child().ImageList1.frame(2).pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(w.child().ImageList1.frame(3).pixel(0, 0), qRgb(0, 0, 255));

    const QString gif = dir.filePath("anim.gif");
    w.child().FileName = gif;
    w.child().Sauve(0);
    w.prompts->answer = Answer::Ok;
    w.child().Effacer();  // a change, so opening asks first
    w.prompts->answer = Answer::Cancel;
    w.prompts->questions.clear();
    w.drop({QUrl::fromLocalFile(gif)});
    ASSERT_EQ(w.prompts->questions, QStringList{"Enregistrer modifications dans anim.gif ?"});
    EXPECT_TRUE(w.child().Modified);  // cancelled: nothing changed
    w.prompts->answer = Answer::No;
    w.drop({QUrl::fromLocalFile(gif)});
    EXPECT_FALSE(w.child().Modified);
    EXPECT_EQ(w.child().ImageList1.count(), 4);
    EXPECT_TRUE(w.errors.isEmpty()) << w.errors.join(' ').toStdString();
}

TEST(Drops, whatCannotBeTakenIsRefusedWithAMessageAndChangesNothing)
{
    QTemporaryDir dir;
    QFile unknown(dir.filePath("notes.txt"));
    ASSERT_TRUE(unknown.open(QIODevice::WriteOnly));
    unknown.write("pas une image");
    unknown.close();
    QFile broken(dir.filePath("broken.png"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("\x89PNG\r\n\x1a\n garbage");
    broken.close();
    const QString good = picture(dir, "good.png", 0x00ff00);

    Window w;
    const std::vector<QList<QUrl>> drops = {
        {QUrl::fromLocalFile(dir.path())},
        {QUrl(QStringLiteral("https://example.org/a.gif"))},
        {QUrl::fromLocalFile(unknown.fileName())},
        {QUrl::fromLocalFile(good), QUrl::fromLocalFile(broken.fileName())},  // read before anything changes
        {QUrl::fromLocalFile(dir.filePath("missing.gif"))},
    };
    for (const auto& urls : drops)
        w.drop(urls);
    ASSERT_EQ(w.errors.size(), 5) << w.errors.join('\n').toStdString();
    EXPECT_TRUE(w.errors[0].contains("dossier"));
    EXPECT_TRUE(w.errors[2].contains("notes.txt"));
    EXPECT_EQ(w.child().ImageList1.count(), 0);
    EXPECT_FALSE(w.child().Modified);

    // A hundred pictures at once: a hundred frames, in order.
    QList<QUrl> many;
    for (int i = 0; i < 100; ++i)
        many << QUrl::fromLocalFile(picture(dir, QStringLiteral("p%1.png").arg(i), unsigned(i)));
    w.drop(many);
    EXPECT_EQ(w.child().ImageList1.count(), 100);
    EXPECT_EQ(w.child().ImageList1.frame(99).pixel(0, 0) & 0xffffffu, 99u);
}

TEST(RecentFiles, newestFirstFourAtMostKeptAcrossRunsAndMissingOnesLeave)
{
    QTemporaryDir dir;
    QSettings().remove("recent");
    app::RecentFiles recent;
    for (int i = 1; i <= 5; ++i)
        recent.add(dir.filePath(QStringLiteral("f%1.gif").arg(i)));
    recent.add(dir.filePath("f3.gif"));
    EXPECT_EQ(app::RecentFiles().files(),
              (QStringList{dir.filePath("f3.gif"), dir.filePath("f5.gif"), dir.filePath("f4.gif"),
                           dir.filePath("f2.gif")}));

    // The menu lists them; choosing one that is gone says so and drops it.
    Window w;
    QSettings().setValue("recent/files", QStringList{dir.filePath("gone.gif")});
    const QString gif = dir.filePath("kept.gif");
    QFile::copy(picture(dir, "kept.png", 0xff0000), dir.filePath("unused"));
    w.child().importPicture(dir.filePath("kept.png"));
    w.child().FileName = gif;
    w.child().Sauve(0);  // saved: it joins the list
    ASSERT_EQ(w.form->recentActions().size(), 2);
    EXPECT_EQ(w.form->recentActions()[0]->text(), "&1 kept.gif");
    w.form->recentActions()[1]->trigger();
    ASSERT_EQ(w.errors.size(), 1);
    EXPECT_TRUE(w.errors[0].contains(QString::fromUtf8("n'existe plus")));
    EXPECT_EQ(app::RecentFiles().files(), QStringList{gif});
    EXPECT_EQ(w.form->recentActions().size(), 1);
}

TEST(Translation, standardButtonsReadInFrench)
{
    ASSERT_TRUE(app::installFrenchTranslation());
    QMessageBox box(QMessageBox::Question, "t", "q", QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove('&'), "Oui");
    EXPECT_EQ(box.button(QMessageBox::No)->text().remove('&'), "Non");
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text().remove('&'), "Annuler");
}

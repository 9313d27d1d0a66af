// The notepad: where the note lives, when it is written, what a failure
// keeps, and printing.
#include "accessories/dialogs/blocnotes.h"
#include "accessories/dialogs/textprinter.h"
#include "accessories/notefile.h"
#include "common/error.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace orugif;

TEST(Notepad, theNoteLivesInTheDataFolderAndIsWrittenOnlyWhenChanged)
{
    const QString path = accessories::notePath();
    EXPECT_TRUE(path.startsWith(qEnvironmentVariable("XDG_DATA_HOME"))) << path.toStdString();
    EXPECT_TRUE(path.endsWith("/OruGif.nte"));
    QFile::remove(path);

    TBlocnotes pad;
    pad.Charge(path);
    EXPECT_EQ(pad.memo()->toPlainText(), "");
    pad.Sauve(path);
    EXPECT_FALSE(QFileInfo::exists(path));  // nothing changed, nothing made

    pad.show();
    QTest::keyClicks(pad.memo(), "courses");
    QTest::keyClick(pad.memo(), Qt::Key_Return);
    QTest::keyClicks(pad.memo(), "lait");
    QTest::mouseClick(pad.findChild<QPushButton*>("Button1"), Qt::LeftButton);  // "Fermer" hides
    EXPECT_FALSE(pad.isVisible());
    EXPECT_EQ(pad.memo()->toPlainText(), "courses\nlait");
    pad.Sauve(path);
    const QDateTime written = QFileInfo(path).lastModified();

    TBlocnotes again;
    again.Charge(path);
    EXPECT_EQ(again.memo()->toPlainText(), "courses\nlait");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        ASSERT_TRUE(file.setFileTime(written.addSecs(-60), QFileDevice::FileModificationTime));
    }
    again.Sauve(path);  // unmodified: the file is not touched
    EXPECT_EQ(QFileInfo(path).lastModified(), written.addSecs(-60));
}

TEST(Notepad, aFolderThatCannotBeWrittenGivesTheMessageAndKeepsTheText)
{
    // A plain file where the folder should be: no one, not even root, can write there.
    QTemporaryDir dir;
    QFile blocker(dir.filePath("data"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    TBlocnotes pad;
    pad.memo()->setPlainText(QString::fromUtf8("à garder"));
    pad.memo()->document()->setModified(true);
    try {
        pad.Sauve(dir.filePath("data/OruGif.nte"));
        ADD_FAILURE() << "no message";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().startsWith("Erreur de fichier")) << e.message().toStdString();
    }
    EXPECT_EQ(pad.memo()->toPlainText(), QString::fromUtf8("à garder"));
    EXPECT_TRUE(pad.memo()->document()->isModified());
}

TEST(Notepad, aFileThatIsNoNoteStillLoadsAndAnUnreadableOneSaysSo)
{
    QTemporaryDir dir;
    QFile bad(dir.filePath("bad.nte"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray("ok\xff\xfe\n") + QByteArray(3 << 20, 'x'));
    bad.close();
    const QString text = accessories::loadNote(bad.fileName()).value();
    EXPECT_TRUE(text.startsWith(QStringLiteral("ok\uFFFD")));
    EXPECT_EQ(text.size(), 2 + 2 + 1 + (3 << 20));
    EXPECT_THROW(accessories::loadNote(dir.path()), Error);  // a folder is no file
}

TEST(Notepad, printsOneLinePerNoteLineAcrossPages)
{
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("note.pdf"));
    QStringList lines;
    for (int i = 0; i < 150; ++i)
        lines << QStringLiteral("ligne %1").arg(i);
    printLines(printer, lines, QFont(QStringLiteral("DejaVu Sans"), 12));
    QFile pdf(dir.filePath("note.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    EXPECT_EQ(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r"), 3);

    QStringList printed;
    TBlocnotes pad([&](const QStringList& l, const QFont&) { printed = l; });
    pad.memo()->setPlainText("un\ndeux");
    QTest::mouseClick(pad.findChild<QWidget*>("SpeedButton9"), Qt::LeftButton);
    EXPECT_EQ(printed, (QStringList{"un", "deux"}));
}

// Typing starts in the note each time the window shows, also after "Fermer"
// took the focus.
TEST(Notepad, opensWithTheFocusInItsText)
{
    TBlocnotes notepad;
    for (const char* typed : {"abc", "de"}) {
        QTimer::singleShot(0, [&] {
            QApplication::setActiveWindow(&notepad);  // as the window manager does
            EXPECT_TRUE(QTest::qWaitFor([] { return QApplication::focusWidget() != nullptr; }, 2000));
            QWidget* focus = QApplication::focusWidget();
            EXPECT_EQ(focus, notepad.memo());
            if (focus)
                QTest::keyClicks(focus, typed);
            auto* close = notepad.findChild<QPushButton*>(QStringLiteral("Button1"));
            QTest::mouseClick(close, Qt::LeftButton);
        });
        notepad.exec();
    }
    EXPECT_EQ(notepad.memo()->toPlainText(), "abcde");
}

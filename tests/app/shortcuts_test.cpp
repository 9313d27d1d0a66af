// The keys people type without thinking, pressed on whatever widget has the
// focus after a click on the picture, as the window system delivers them.
#include "app/mainform.h"
#include "document/child.h"
#include "document/prompts.h"
#include "support/testsupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

using namespace orugif;

namespace {

struct Recorded : DocumentPrompts {
    QStringList questions;
    QString saveFile;
    int played = 0;
    Answer ask(const QString& question, Choices) override
    {
        questions << question;
        return Answer::No;
    }
    void inform(const QString&) override {}
    QString chooseSaveFile(const QString&) override { return saveFile; }
    void runPlayback(const std::vector<QImage>&, const AnimationSettings&, const std::function<void(int, int)>&) override
    {
        ++played;
    }
};

struct Window {
    std::shared_ptr<Recorded> prompts = std::make_shared<Recorded>();
    QStringList errors;
    int openAsked = 0;
    TMainForm form{MainPorts{prompts, nullptr, [this](const QString& m) { errors << m; }, {}, {},
                             [this] {
                                 ++openAsked;
                                 return QString();
                             }}};

    QWidget* image() { return form.findChild<QWidget*>(QStringLiteral("Image1")); }

    // Shown with one pasted frame; the picture clicked, as a user starts.
    void start()
    {
        form.resize(640, 480);
        form.show();
        QApplication::setActiveWindow(&form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        QGuiApplication::clipboard()->setImage(testsupport::solid(20, 10, 0x336699));
        form.action("Coller1")->trigger();
        QTest::mouseClick(image(), Qt::LeftButton, {}, QPoint(3, 3));
    }
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_TRUE(focus);
        QTest::keyClick(focus, Qt::Key(key), modifiers);
    }
};

} // namespace

TEST(Shortcuts, ctrlShiftSNamesTheFileAndCtrlSSavesItAgainWithoutAsking)
{
    QTemporaryDir dir;
    Window w;
    w.start();
    w.prompts->saveFile = dir.filePath("keys.gif");
    w.press(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(QFileInfo::exists(dir.filePath("keys.gif")));
    EXPECT_FALSE(w.form.child().Modified);
    const auto bytes = [&] {
        QFile file(dir.filePath("keys.gif"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray first = bytes();

    w.prompts->saveFile = dir.filePath("not-this.gif");  // Ctrl+S does not ask for a name
    QGuiApplication::clipboard()->setImage(testsupport::solid(20, 10, 0xff0000));
    w.press(Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(w.form.child().Modified);
    w.press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("not-this.gif")));
    EXPECT_NE(bytes(), first);  // the red frame is in the file
    EXPECT_FALSE(w.form.child().Modified);
    EXPECT_TRUE(w.errors.isEmpty()) << w.errors.join('\n').toStdString();
}

TEST(Shortcuts, ctrlNAndCtrlOStartAsTheirMenuItemsDo)
{
    Window w;
    w.start();
    w.press(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(w.openAsked, 1);
    w.form.child().Modified = true;
    w.press(Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(w.prompts->questions.size(), 1);  // asked to save first, answered No
    EXPECT_EQ(w.form.child().ImageList1.count(), 0);
}

TEST(Shortcuts, f5AndSpacePlayButNotWhileTypingInATextField)
{
    Window w;
    w.start();
    w.press(Qt::Key_F5);
    EXPECT_EQ(w.prompts->played, 1);
    w.press(Qt::Key_Space);
    EXPECT_EQ(w.prompts->played, 2);

    // A text field in the window takes the space as text.
    auto* field = new QLineEdit(&w.form);
    w.form.findChild<QToolBar*>()->addWidget(field);
    field->show();
    QTest::mouseClick(field, Qt::LeftButton);
    ASSERT_EQ(QApplication::focusWidget(), field);
    QTest::keyClicks(field, "a b");
    EXPECT_EQ(field->text(), "a b");
    EXPECT_EQ(w.prompts->played, 2);
    w.press(Qt::Key_F5);  // F5 is no text
    EXPECT_EQ(w.prompts->played, 3);
}

class Quitting : public ::testing::TestWithParam<std::pair<int, Qt::KeyboardModifier>> {};

TEST_P(Quitting, closesTheWindow)
{
    Window w;
    w.start();
    w.form.child().Modified = false;
    w.press(GetParam().first, GetParam().second);
    EXPECT_FALSE(w.form.isVisible());
}

INSTANTIATE_TEST_SUITE_P(CtrlQAndAltX, Quitting,
                         ::testing::Values(std::pair{int(Qt::Key_Q), Qt::ControlModifier},
                                           std::pair{int(Qt::Key_X), Qt::AltModifier}));

TEST(Shortcuts, theMenusOwnKeysStillCopyAndPaste)
{
    Window w;
    w.start();
    QGuiApplication::clipboard()->clear();
    w.press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(20, 10));
    QGuiApplication::clipboard()->setImage(testsupport::solid(5, 5, 0xff0000));
    w.press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(w.form.child().picture().pixel(0, 0), qRgb(255, 0, 0));
}
